#include "gfx/FileKind.h"

#include <cstring>
#include <initializer_list>

namespace {
struct Signature {
    const char* bytes;  // at the start of the file
    size_t length;
    const char* kind;
};

const Signature kSignatures[] = {
    {"II*\0", 4, "TIFF"},         {"MM\0*", 4, "TIFF"},      {"II+\0", 4, "BigTIFF"}, {"MM\0+", 4, "BigTIFF"},
    {"\x89PNG\r\n\x1a\n", 8, "PNG"}, {"\xff\xd8\xff", 3, "JPEG"}, {"GIF87a", 6, "GIF"},   {"GIF89a", 6, "GIF"},
    {"8BPS", 4, "Photoshop"},     {"BM", 2, "BMP"},          {"ID3", 3, "MP3"},       {"OggS", 4, "Ogg"},
    {"fLaC", 4, "FLAC"},          {"%PDF", 4, "PDF"},        {"PK\x03\x04", 4, "ZIP"}, {"\x1f\x8b", 2, "gzip"},
};

bool at(const unsigned char* head, size_t size, size_t offset, const char* bytes)
{
    const size_t length = std::strlen(bytes);
    return offset + length <= size && std::memcmp(head + offset, bytes, length) == 0;
}
}  // namespace

const char* fileKind(const unsigned char* head, size_t size)
{
    // Containers whose kind is named a few bytes in.
    if (at(head, size, 0, "RIFF")) {
        if (at(head, size, 8, "WEBP")) return "WebP";
        if (at(head, size, 8, "WAVE")) return "WAV";
        return "RIFF";
    }
    if (at(head, size, 4, "ftyp")) {
        for (const char* brand : {"heic", "heix", "mif1"})
            if (at(head, size, 8, brand)) return "HEIF";
        return at(head, size, 8, "avif") ? "AVIF" : "MP4";
    }
    for (const Signature& s : kSignatures)
        if (s.length <= size && std::memcmp(head, s.bytes, s.length) == 0) return s.kind;
    // An MP3 without a tag starts on a frame: 11 bits set, then a version and a layer that are not reserved.
    if (size >= 2 && head[0] == 0xff && (head[1] & 0xe0) == 0xe0 && (head[1] & 0x18) != 0x08 && (head[1] & 0x06) != 0)
        return "MP3";
    return nullptr;
}
