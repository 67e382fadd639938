// The user's pictures made ready for the show by kiv-picture's own code (tools/picture), written into the
// working folder where the show reads its pictures, so that Texture::load measures them as on the desktop.
#include <emscripten/emscripten.h>

#include <cstring>
#include <vector>

#include "gfx/FileKind.h"
#include "gfx/TiffRaster.h"
#include "tools/picture/Exif.h"
#include "tools/picture/Fit.h"
#include "tools/picture/Photo.h"
#include "tools/picture/TiffReader.h"

namespace {
std::vector<uint32_t> view;
int viewSize[2] = {};

bool isJpeg(const uint8_t* file, size_t size)
{
    const char* kind = fileKind(file, size);
    return kind && std::strcmp(kind, "JPEG") == 0;
}
}  // namespace

extern "C" {

// From the pixels the browser decoded (`width` x `height` RGBA, top row first, as the file stores them: see
// kiv_picture_for_browser) and the file's own bytes, whose EXIF orientation, for a JPEG, turns them here as
// kiv-picture turns them.
EMSCRIPTEN_KEEPALIVE int kiv_picture_from_pixels(const char* out, const uint8_t* rgba, int width, int height,
                                                 const uint8_t* file, size_t fileSize, double aspect)
{
    if (width <= 0 || height <= 0 || photoTooLarge(out, width, height)) return 0;
    Photo photo;
    photo.width = width;
    photo.height = height;
    photo.rgba.assign(rgba, rgba + static_cast<size_t>(width) * height * 4);
    if (isJpeg(file, fileSize)) {
        const ExifSegment exif = jpegExif(file, fileSize);
        photo = oriented(photo, exifOrientation(exif.data, exif.size));
    }
    return forShow(photo, aspect).writeTiff(out) ? 1 : 0;
}

// From a TIFF file in the working folder, read by libtiff as kiv-picture reads it.
EMSCRIPTEN_KEEPALIVE int kiv_picture_from_tiff(const char* in, const char* out, double aspect)
{
    Photo photo;
    return readTiff(in, photo) && forShow(photo, aspect).writeTiff(out) ? 1 : 0;
}

// The JPEG of `size` bytes at `file` without its EXIF segment, in place, for the browser to decode: the size
// left. Other files stay as they are.
EMSCRIPTEN_KEEPALIVE size_t kiv_picture_for_browser(uint8_t* file, size_t size)
{
    return isJpeg(file, size) ? withoutExif(file, size) : size;
}

// What the first bytes of a file say it is ("PNG", "JPEG", "TIFF", "MP3", ...), or null.
EMSCRIPTEN_KEEPALIVE const char* kiv_file_kind(const uint8_t* head, size_t size) { return fileKind(head, size); }

// The show's picture `name` as the show reads it, RGBA, the row it puts along the window's top first, for the
// start screen's thumbnail; null when it cannot be read. kiv_picture_view_size() then points at its width and
// height.
EMSCRIPTEN_KEEPALIVE const uint32_t* kiv_picture_view(const char* name, int maxSide)
{
    TiffRaster raster;
    viewSize[0] = viewSize[1] = 0;
    if (!raster.read(name, maxSide)) return nullptr;
    viewSize[0] = raster.width();
    viewSize[1] = raster.height();
    view.assign(raster.pixels(), raster.pixels() + static_cast<size_t>(viewSize[0]) * viewSize[1]);
    return view.data();
}

EMSCRIPTEN_KEEPALIVE const int* kiv_picture_view_size() { return viewSize; }
}
