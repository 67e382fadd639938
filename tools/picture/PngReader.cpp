#include "tools/picture/PngReader.h"

#include <cstdio>
#include <png.h>

bool readPng(const std::string& path, Photo& photo)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    bool ok = png_image_begin_read_from_file(&image, path.c_str()) != 0;
    if (ok && photoTooLarge(path, image.width, image.height)) {
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
