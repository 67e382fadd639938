#include "tools/picture/Photo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <tiffio.h>

#include "gfx/FileKind.h"
#include "gfx/TiffMessages.h"
#include "tools/picture/Exif.h"
#include "tools/picture/JpegReader.h"

namespace {
constexpr int kChannels = 4;

bool tooLarge(const std::string& path, uint64_t width, uint64_t height)
{
    if (width > 0 && height > 0 && width * height <= kMaxPhotoPixels) return false;
    std::fprintf(stderr, "kiv-picture: %s: a picture of %llu x %llu pixels is more than it takes (%llu pixels)\n",
                 path.c_str(), static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                 static_cast<unsigned long long>(kMaxPhotoPixels));
    return true;
}

bool readPng(const std::string& path, Photo& photo)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    bool ok = png_image_begin_read_from_file(&image, path.c_str()) != 0;
    if (ok && tooLarge(path, image.width, image.height)) {
        png_image_free(&image);
        return false;
    }
    if (ok) {
        image.format = PNG_FORMAT_RGBA;  // libpng expands palettes, greys and 16-bit samples
        photo.rgba.resize(PNG_IMAGE_SIZE(image));
        ok = png_image_finish_read(&image, nullptr, photo.rgba.data(), 0, nullptr) != 0;
    }
    if (!ok) {
        std::fprintf(stderr, "kiv-picture: %s: libpng: %s\n", path.c_str(), image.message);
        png_image_free(&image);
        return false;
    }
    photo.width = static_cast<int>(image.width);
    photo.height = static_cast<int>(image.height);
    return true;
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
    bool ok = !tooLarge(path, w, h);
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
}  // namespace

bool readPhoto(const std::string& path, Photo& photo)
{
    photo = Photo{};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "kiv-picture: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    unsigned char head[kFileKindHead];
    const size_t size = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    const char* kind = fileKind(head, size);
    bool ok = false;
    if (kind && std::strcmp(kind, "PNG") == 0) {
        ok = readPng(path, photo);
    } else if (kind && std::strcmp(kind, "JPEG") == 0) {
        JpegPicture jpeg;
        ok = readJpeg(path, jpeg) && !tooLarge(path, jpeg.photo.width, jpeg.photo.height);
        if (ok) photo = oriented(jpeg.photo, exifOrientation(jpeg.exif.data(), jpeg.exif.size()));
    } else if (kind && std::strstr(kind, "TIFF")) {
        ok = readTiff(path, photo);
    } else {
        std::fprintf(stderr, "kiv-picture: %s: %s%s%s; kiv-picture reads PNG, JPEG and TIFF pictures\n",
                     path.c_str(), kind ? "it looks like a " : "not a kind of file it knows", kind ? kind : "",
                     kind ? " file" : "");
        return false;
    }
    if (!ok) std::fprintf(stderr, "kiv-picture: cannot read the %s picture %s\n", kind, path.c_str());
    return ok;
}

Photo oriented(const Photo& photo, int orientation)
{
    if (orientation < 2 || orientation > 8) return photo;
    const int w = photo.width, h = photo.height;
    const bool turned = orientation >= 5;  // a quarter turn swaps the sides
    Photo out;
    out.width = turned ? h : w;
    out.height = turned ? w : h;
    out.rgba.resize(photo.rgba.size());
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;  // the source pixel shown at (x, y)
            switch (orientation) {
            case 2: sx = w - 1 - x; break;                      // mirrored left to right
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;      // half a turn
            case 4: sy = h - 1 - y; break;                      // mirrored top to bottom
            case 5: sx = y; sy = x; break;                      // mirrored about the main diagonal
            case 6: sx = y; sy = h - 1 - x; break;              // to be turned a quarter clockwise
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;      // mirrored about the other diagonal
            case 8: sx = w - 1 - y; sy = x; break;              // to be turned a quarter anticlockwise
            }
            std::memcpy(&out.rgba[(static_cast<size_t>(y) * out.width + x) * kChannels],
                        &photo.rgba[(static_cast<size_t>(sy) * w + sx) * kChannels], kChannels);
        }
    }
    return out;
}
