#include "tools/picture/TiffReader.h"

#include <tiffio.h>

#include "gfx/TiffMessages.h"

namespace {
constexpr int kChannels = 4;
}

bool readTiff(const std::string& path, Photo& photo)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    const TiffSpeaker speaker{"kiv-picture", path.c_str()};
    speakForTiff(options, &speaker);
    TIFF* tif = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    bool ok = !photoTooLarge(path, w, h);
    std::vector<uint32_t> raster;
    if (ok) {
        raster.resize(static_cast<size_t>(w) * h);
        ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0) != 0;
    }
    TIFFClose(tif);
    if (!ok) return false;
    photo.width = static_cast<int>(w);
    photo.height = static_cast<int>(h);
    photo.rgba.resize(raster.size() * kChannels);
    for (size_t i = 0; i < raster.size(); ++i) {
        const uint32_t p = raster[i];
        const unsigned a = TIFFGetA(p);
        // libtiff hands out premultiplied colour.
        auto straight = [a](unsigned c) { return static_cast<uint8_t>(a == 0 ? 0 : (c * 255 + a / 2) / a); };
        uint8_t* out = &photo.rgba[i * kChannels];
        out[0] = straight(TIFFGetR(p));
        out[1] = straight(TIFFGetG(p));
        out[2] = straight(TIFFGetB(p));
        out[3] = static_cast<uint8_t>(a);
    }
    return true;
}
