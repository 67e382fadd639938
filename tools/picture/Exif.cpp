#include "tools/picture/Exif.h"

#include <cstring>

namespace {
constexpr size_t kTiffStart = 6;  // after "Exif\0\0"
constexpr size_t kEntrySize = 12;
constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kShort = 3;
constexpr uint8_t kApp1 = 0xe1;
constexpr uint8_t kStartOfScan = 0xda;

// Reads the segment's TIFF structure in its own byte order, every access checked against the end.
struct Reader {
    const uint8_t* tiff;
    size_t size;
    bool bigEndian;

    bool u16(size_t at, unsigned& v) const
    {
        if (at + 2 > size) return false;
        v = bigEndian ? (tiff[at] << 8 | tiff[at + 1]) : (tiff[at + 1] << 8 | tiff[at]);
        return true;
    }
    bool u32(size_t at, size_t& v) const
    {
        unsigned hi, lo;
        if (!u16(at, bigEndian ? hi : lo) || !u16(at + 2, bigEndian ? lo : hi)) return false;
        v = static_cast<size_t>(hi) << 16 | lo;
        return true;
    }
};
}  // namespace

int exifOrientation(const uint8_t* data, size_t size)
{
    if (size < kTiffStart + 8 || std::memcmp(data, "Exif\0\0", kTiffStart) != 0) return 1;
    Reader r{data + kTiffStart, size - kTiffStart, data[kTiffStart] == 'M'};
    size_t ifd;
    unsigned count;
    if (!r.u32(4, ifd) || !r.u16(ifd, count)) return 1;
    for (unsigned i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + i * kEntrySize;
        unsigned tag, type, value;
        if (!r.u16(entry, tag) || !r.u16(entry + 2, type)) return 1;
        if (tag != kOrientationTag) continue;
        if (type != kShort || !r.u16(entry + 8, value) || value < 1 || value > 8) return 1;
        return static_cast<int>(value);
    }
    return 1;
}

ExifSegment jpegExif(const uint8_t* jpeg, size_t size)
{
    if (size < 4 || jpeg[0] != 0xff || jpeg[1] != 0xd8) return {};
    size_t at = 2;
    while (at + 4 <= size && jpeg[at] == 0xff) {
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xff) {  // fill byte
            ++at;
            continue;
        }
        if (marker == kStartOfScan) break;
        const size_t length = static_cast<size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];  // counts its own two bytes
        if (length < 2 || at + 2 + length > size) break;
        const uint8_t* data = jpeg + at + 4;
        if (marker == kApp1 && length - 2 >= kTiffStart && std::memcmp(data, "Exif\0\0", kTiffStart) == 0)
            return {data, length - 2};
        at += 2 + length;
    }
    return {};
}

size_t withoutExif(uint8_t* jpeg, size_t size)
{
    const ExifSegment exif = jpegExif(jpeg, size);
    if (!exif.data) return size;
    const size_t at = static_cast<size_t>(exif.data - jpeg) - 4;  // its marker and length
    const size_t length = exif.size + 4;
    std::memmove(jpeg + at, jpeg + at + length, size - at - length);
    return size - length;
}
