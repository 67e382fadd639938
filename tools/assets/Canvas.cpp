#include "tools/assets/Canvas.h"

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <cmath>
#include <cstdio>
#include <tiffio.h>

namespace {
constexpr int kChannels = 4;
constexpr uint32_t kRowsPerStrip = 16;

uint8_t toByte(float v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), rgba_(static_cast<size_t>(width) * height * kChannels, 255)
{
}

void Canvas::set(int x, int y, Colour c)
{
    uint8_t* p = &rgba_[(static_cast<size_t>(y) * width_ + x) * kChannels];
    p[0] = toByte(c.r);
    p[1] = toByte(c.g);
    p[2] = toByte(c.b);
}

void Canvas::setAlpha(int x, int y, float a)
{
    rgba_[(static_cast<size_t>(y) * width_ + x) * kChannels + 3] = toByte(a);
}

bool Canvas::writeTiff(const std::string& path) const
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) {
        std::fprintf(stderr, "%s: cannot write %s\n", program_invocation_short_name, path.c_str());
        return false;
    }
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width_));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height_));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(kChannels));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(8));
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(1), extra);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, static_cast<uint16_t>(PHOTOMETRIC_RGB));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, static_cast<uint16_t>(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, static_cast<uint16_t>(ORIENTATION_TOPLEFT));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<uint16_t>(COMPRESSION_LZW));
    TIFFSetField(tif, TIFFTAG_PREDICTOR, static_cast<uint16_t>(PREDICTOR_HORIZONTAL));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);

    // libtiff writes from a buffer it may modify (the predictor works in place), so hand it a copy.
    std::vector<uint8_t> row(static_cast<size_t>(width_) * kChannels);
    bool ok = true;
    for (int fileRow = 0; fileRow < height_ && ok; ++fileRow) {
        const int screenRow = height_ - 1 - fileRow;
        const auto first = rgba_.begin() + static_cast<std::ptrdiff_t>(screenRow) * width_ * kChannels;
        std::copy(first, first + static_cast<std::ptrdiff_t>(row.size()), row.begin());
        ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(fileRow), 0) == 1;
    }
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    if (!ok) std::fprintf(stderr, "%s: cannot write %s\n", program_invocation_short_name, path.c_str());
    return ok;
}
