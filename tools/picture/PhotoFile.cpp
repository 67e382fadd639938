#include "tools/picture/PhotoFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "gfx/FileKind.h"
#include "tools/picture/Exif.h"
#include "tools/picture/JpegReader.h"
#include "tools/picture/PngReader.h"
#include "tools/picture/TiffReader.h"

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
        ok = readJpeg(path, jpeg) && !photoTooLarge(path, jpeg.photo.width, jpeg.photo.height);
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
