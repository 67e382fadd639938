#include "gfx/TiffRaster.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <tiffio.h>

#include "gfx/FileKind.h"
#include "gfx/TiffMessages.h"

namespace {
constexpr uint64_t kBytesPerPixel = 4;

// Where the file was looked for: the folder its path names, or the working folder for a bare name.
std::string folderOf(const char* path)
{
    std::string folder = path;
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    char* real = realpath(folder.c_str(), nullptr);
    if (real) folder = real;
    std::free(real);
    return folder;
}

// kiv's one line about a picture it cannot show.
void refuse(const char* path, const std::string& why)
{
    std::fprintf(stderr, "kiv: cannot show picture '%s' from %s: %s\n", path, folderOf(path).c_str(), why.c_str());
}

// Why the file is no TIFF at all, judged from its first bytes before libtiff sees it; empty when it may be one.
std::string notATiff(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return errno == ENOENT ? "no such file" : std::strerror(errno);
    unsigned char head[kFileKindHead];
    const size_t size = std::fread(head, 1, sizeof head, file);
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error) return std::strerror(error);
    if (size == 0) return "the file is empty";
    const char* kind = fileKind(head, size);
    if (!kind || std::strstr(kind, "TIFF")) return "";
    return std::string("it looks like a ") + kind +
           " file, not a TIFF (kiv-picture prepares PNG, JPEG and TIFF pictures for the show)";
}
}  // namespace

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
    const std::string wrongFile = notATiff(path);
    if (!wrongFile.empty()) {
        refuse(path, wrongFile);
        return false;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) {
        refuse(path, "out of memory");
        return false;
    }
    const TiffSpeaker speaker{"kiv", path};
    speakForTiff(options, &speaker);
    TIFF* tif = TIFFOpenExt(path, "r", options);
    TIFFOpenOptionsFree(options);  // the file keeps its own copy of the handlers
    if (!tif) {
        refuse(path, "libtiff cannot open it as a TIFF picture");
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
            refuse(path, "libtiff cannot decode its pixels");
        }
    } else {
        refuse(path, "out of memory for the raster");
    }
    TIFFClose(tif);
    return ok;
}
