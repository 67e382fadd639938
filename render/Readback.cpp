#include "render/Readback.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

Readback::Readback(int width, int height)
    : width_(width), height_(height), bytes_(static_cast<size_t>(width) * height * 4)
{
    glGenBuffers(kBuffers, buffers_);
    for (unsigned buffer : buffers_) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes_), nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

Readback::~Readback()
{
    glDeleteBuffers(kBuffers, buffers_);
}

void Readback::start()
{
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[next_]);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    next_ = (next_ + 1) % kBuffers;
    ++pending_;
}

bool Readback::finish(uint8_t* out)
{
    if (pending_ == 0) return false;
    const int oldest = (next_ - pending_ + kBuffers) % kBuffers;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[oldest]);
    const void* pixels = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes_), GL_MAP_READ_BIT);
    if (pixels) std::memcpy(out, pixels, bytes_);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    --pending_;
    return pixels != nullptr;
}
