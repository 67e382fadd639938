#include "gfx/TiffRaster.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <tiffio.h>

namespace {
constexpr uint64_t kBytesPerPixel = 4;

// What libtiff has said about one file. Its own handlers still print every message as usual.
struct Heard {
    const char* path;
    bool named = false;  // some message named the file, so the reader need not
};

int overhear(TIFF*, void* data, const char* module, const char* fmt, va_list args)
{
    auto* heard = static_cast<Heard*>(data);
    char text[512];
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(text, sizeof text, fmt, copy);
    va_end(copy);
    if ((module && std::strstr(module, heard->path)) || std::strstr(text, heard->path)) heard->named = true;
    return 0;
}

// The same shape as libtiff's default messages, so a refusal reads like the rest.
void refuse(const char* path, const char* why)
{
    std::fprintf(stderr, "%s: %s.\n", path, why);
}
}

TiffRaster::~TiffRaster()
{
    release();
}

void TiffRaster::release()
{
    if (pixels_) _TIFFfree(pixels_);
    pixels_ = nullptr;
    width_ = 0;
    height_ = 0;
}

bool TiffRaster::read(const char* path, int maxSide)
{
    release();
    Heard heard{path};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) {
        refuse(path, "out of memory");
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, overhear, &heard);
    TIFF* tif = TIFFOpenExt(path, "r", options);
    TIFFOpenOptionsFree(options);  // the file keeps its own copy of the handler
    if (!tif) {
        if (!heard.named) refuse(path, "cannot open it as a TIFF picture");
        return false;
    }

    uint32_t w = 0;
    uint32_t h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    const uint64_t side = maxSide > 0 ? static_cast<uint64_t>(maxSide) : 0;
    // Both sides are below 2^31 once they pass the limit, so the byte count cannot wrap in 64 bits.
    const uint64_t bytes = uint64_t{w} * uint64_t{h} * kBytesPerPixel;
    char why[160];
    bool fits = false;
    if (w == 0 || h == 0) {
        std::snprintf(why, sizeof why, "picture has no pixels (%u x %u)", w, h);
    } else if (w > side || h > side) {
        std::snprintf(why, sizeof why, "picture of %u x %u pixels is larger than the texture limit of %d", w, h,
                      maxSide);
    } else if (bytes > static_cast<uint64_t>(std::numeric_limits<tmsize_t>::max()) ||
               bytes > std::numeric_limits<size_t>::max()) {
        std::snprintf(why, sizeof why, "raster of %u x %u pixels cannot be addressed", w, h);
    } else {
        fits = true;
    }

    bool ok = false;
    if (!fits) {
        refuse(path, why);
    } else if (auto* raster = static_cast<uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(bytes)))) {
        // Zeroed, so rows a damaged file leaves unread are transparent black, not stale memory.
        _TIFFmemset(raster, 0, static_cast<tmsize_t>(bytes));
        if (TIFFReadRGBAImage(tif, w, h, raster, 0)) {
            pixels_ = raster;
            width_ = static_cast<int>(w);
            height_ = static_cast<int>(h);
            ok = true;
        } else {
            _TIFFfree(raster);
            if (!heard.named) refuse(path, "cannot decode the picture");
        }
    } else {
        refuse(path, "out of memory for the raster");
    }
    TIFFClose(tif);
    return ok;
}
