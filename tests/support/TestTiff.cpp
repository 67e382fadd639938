#include "tests/support/TestTiff.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <tiffio.h>
#include <vector>

namespace {
constexpr uint32_t kTile = 16;

Rgba8 halfColour(int y, int height)
{
    return y < height / 2 ? kTopColour : kBottomColour;
}

void baseTags(TIFF* tif, int width, int height, uint16_t samples, uint16_t bits, uint16_t photometric)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, static_cast<uint16_t>(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, static_cast<uint16_t>(ORIENTATION_TOPLEFT));
}

bool writeRows(TIFF* tif, int height, size_t rowBytes, const std::function<void(int y, uint8_t* row)>& fill,
               uint16_t plane = 0)
{
    std::vector<uint8_t> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        fill(y, row.data());
        if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), plane) != 1) return false;
    }
    return true;
}

bool writeTiles(TIFF* tif, int width, int height)
{
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, kTile);
    std::vector<uint8_t> tile(kTile * kTile * 3);
    for (int ty = 0; ty < height; ty += static_cast<int>(kTile)) {
        for (int tx = 0; tx < width; tx += static_cast<int>(kTile)) {
            for (uint32_t y = 0; y < kTile; ++y) {
                const Rgba8 c = halfColour(ty + static_cast<int>(y), height);
                for (uint32_t x = 0; x < kTile; ++x) {
                    uint8_t* p = &tile[(y * kTile + x) * 3];
                    p[0] = c.r;
                    p[1] = c.g;
                    p[2] = c.b;
                }
            }
            if (TIFFWriteTile(tif, tile.data(), static_cast<uint32_t>(tx), static_cast<uint32_t>(ty), 0, 0) < 0)
                return false;
        }
    }
    return true;
}

bool writeLayout(TIFF* tif, TiffLayout layout, int width, int height)
{
    const size_t w = static_cast<size_t>(width);
    auto rgb8 = [&](int y, uint8_t* row) {
        const Rgba8 c = halfColour(y, height);
        for (size_t x = 0; x < w; ++x) {
            row[3 * x] = c.r;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.b;
        }
    };
    switch (layout) {
    case TiffLayout::Rgb8:
        baseTags(tif, width, height, 3, 8, PHOTOMETRIC_RGB);
        return writeRows(tif, height, 3 * w, rgb8);
    case TiffLayout::Lzw:
        baseTags(tif, width, height, 3, 8, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<uint16_t>(COMPRESSION_LZW));
        TIFFSetField(tif, TIFFTAG_PREDICTOR, static_cast<uint16_t>(PREDICTOR_HORIZONTAL));
        return writeRows(tif, height, 3 * w, rgb8);
    case TiffLayout::Tiled:
        baseTags(tif, width, height, 3, 8, PHOTOMETRIC_RGB);
        return writeTiles(tif, width, height);
    case TiffLayout::Planar: {
        baseTags(tif, width, height, 3, 8, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, static_cast<uint16_t>(PLANARCONFIG_SEPARATE));
        for (uint16_t plane = 0; plane < 3; ++plane) {
            auto fill = [&](int y, uint8_t* row) {
                const Rgba8 c = halfColour(y, height);
                const uint8_t v = plane == 0 ? c.r : (plane == 1 ? c.g : c.b);
                for (size_t x = 0; x < w; ++x) row[x] = v;
            };
            if (!writeRows(tif, height, w, fill, plane)) return false;
        }
        return true;
    }
    case TiffLayout::Grey8:
        baseTags(tif, width, height, 1, 8, PHOTOMETRIC_MINISBLACK);
        return writeRows(tif, height, w, [&](int y, uint8_t* row) {
            for (size_t x = 0; x < w; ++x) row[x] = halfColour(y, height).r;
        });
    case TiffLayout::Rgb16:
        baseTags(tif, width, height, 3, 16, PHOTOMETRIC_RGB);
        return writeRows(tif, height, 6 * w, [&](int y, uint8_t* row) {
            const Rgba8 c = halfColour(y, height);
            const uint16_t pixel[3] = {static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                                       static_cast<uint16_t>(c.b * 257)};
            for (size_t x = 0; x < w; ++x) std::memcpy(row + x * sizeof pixel, pixel, sizeof pixel);
        });
    case TiffLayout::Palette: {
        baseTags(tif, width, height, 1, 8, PHOTOMETRIC_PALETTE);
        std::vector<uint16_t> red(256, 0), green(256, 0), blue(256, 0);
        red[1] = static_cast<uint16_t>(kTopColour.r * 257);
        green[1] = static_cast<uint16_t>(kTopColour.g * 257);
        blue[1] = static_cast<uint16_t>(kTopColour.b * 257);
        red[2] = static_cast<uint16_t>(kBottomColour.r * 257);
        green[2] = static_cast<uint16_t>(kBottomColour.g * 257);
        blue[2] = static_cast<uint16_t>(kBottomColour.b * 257);
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        return writeRows(tif, height, w, [&](int y, uint8_t* row) {
            for (size_t x = 0; x < w; ++x) row[x] = y < height / 2 ? 1 : 2;
        });
    }
    case TiffLayout::Cmyk:
        baseTags(tif, width, height, 4, 8, PHOTOMETRIC_SEPARATED);
        TIFFSetField(tif, TIFFTAG_INKSET, static_cast<uint16_t>(INKSET_CMYK));
        return writeRows(tif, height, 4 * w, [&](int y, uint8_t* row) {
            const Rgba8 c = halfColour(y, height);
            for (size_t x = 0; x < w; ++x) {
                row[4 * x] = static_cast<uint8_t>(255 - c.r);
                row[4 * x + 1] = static_cast<uint8_t>(255 - c.g);
                row[4 * x + 2] = static_cast<uint8_t>(255 - c.b);
                row[4 * x + 3] = 0;
            }
        });
    }
    return false;
}
}

bool writeRgbaTiff(const std::string& path, int width, int height, const std::function<Rgba8(int x, int y)>& pixel)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    baseTags(tif, width, height, 4, 8, PHOTOMETRIC_RGB);
    const uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(1), extra);
    const bool ok = writeRows(tif, height, 4 * static_cast<size_t>(width), [&](int y, uint8_t* row) {
        for (int x = 0; x < width; ++x) {
            const Rgba8 c = pixel(x, y);
            uint8_t* p = row + 4 * static_cast<size_t>(x);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    });
    TIFFClose(tif);
    return ok;
}

bool writeLayoutTiff(const std::string& path, TiffLayout layout, int width, int height)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    const bool ok = writeLayout(tif, layout, width, height);
    TIFFClose(tif);
    return ok;
}

const char* layoutName(TiffLayout layout)
{
    switch (layout) {
    case TiffLayout::Rgb8: return "Rgb8";
    case TiffLayout::Lzw: return "Lzw";
    case TiffLayout::Tiled: return "Tiled";
    case TiffLayout::Planar: return "Planar";
    case TiffLayout::Grey8: return "Grey8";
    case TiffLayout::Rgb16: return "Rgb16";
    case TiffLayout::Palette: return "Palette";
    case TiffLayout::Cmyk: return "Cmyk";
    }
    return "?";
}

bool writeClaimingTiff(const std::string& path, uint32_t width, uint32_t height, uint32_t dataBytes)
{
    // Little-endian classic TIFF: header, one strip of zeros, then a directory of 8 entries.
    std::string out = std::string("II*\0", 4);
    auto put16 = [&](uint32_t v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>((v >> 8) & 0xFF); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const uint32_t dataOffset = 8;
    const uint32_t ifdOffset = dataOffset + dataBytes + (dataBytes & 1);
    put32(ifdOffset);
    out.append(ifdOffset - dataOffset, '\0');
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        put16(tag);
        put16(type);
        put32(1);
        if (type == TIFF_SHORT) {
            put16(value);
            put16(0);
        } else {
            put32(value);
        }
    };
    put16(8);
    entry(TIFFTAG_IMAGEWIDTH, TIFF_LONG, width);
    entry(TIFFTAG_IMAGELENGTH, TIFF_LONG, height);
    entry(TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, 8);
    entry(TIFFTAG_COMPRESSION, TIFF_SHORT, COMPRESSION_NONE);
    entry(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, PHOTOMETRIC_MINISBLACK);
    entry(TIFFTAG_STRIPOFFSETS, TIFF_LONG, dataOffset);
    entry(TIFFTAG_ROWSPERSTRIP, TIFF_LONG, height);
    entry(TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, dataBytes);
    put32(0);
    return writeBytes(path, out);
}

bool writeCutTiff(const std::string& path, uint32_t width, uint32_t height, uint32_t rowsPerStrip, uint32_t keptBytes)
{
    std::string out = std::string("II*\0", 4);
    auto put16 = [&](uint32_t v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>((v >> 8) & 0xFF); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    constexpr uint16_t kEntries = 8;
    const uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    const uint32_t stripBytes = width * rowsPerStrip;
    const uint32_t ifd = 8;
    const uint32_t offsets = ifd + 2 + 12 * kEntries + 4;   // the two strip arrays follow the directory
    const uint32_t counts = offsets + 4 * strips;
    const uint32_t data = counts + 4 * strips;
    put32(ifd);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        put16(tag);
        put16(type);
        put32(count);
        put32(value);  // a SHORT sits in the low half, little-endian
    };
    put16(kEntries);
    entry(TIFFTAG_IMAGEWIDTH, TIFF_LONG, 1, width);
    entry(TIFFTAG_IMAGELENGTH, TIFF_LONG, 1, height);
    entry(TIFFTAG_BITSPERSAMPLE, TIFF_SHORT, 1, 8);
    entry(TIFFTAG_COMPRESSION, TIFF_SHORT, 1, COMPRESSION_NONE);
    entry(TIFFTAG_PHOTOMETRIC, TIFF_SHORT, 1, PHOTOMETRIC_MINISBLACK);
    entry(TIFFTAG_STRIPOFFSETS, TIFF_LONG, strips, strips == 1 ? data : offsets);
    entry(TIFFTAG_ROWSPERSTRIP, TIFF_LONG, 1, rowsPerStrip);
    entry(TIFFTAG_STRIPBYTECOUNTS, TIFF_LONG, strips, strips == 1 ? stripBytes : counts);
    put32(0);
    if (strips > 1) {
        for (uint32_t i = 0; i < strips; ++i) put32(data + i * stripBytes);
        for (uint32_t i = 0; i < strips; ++i) put32(stripBytes);
    }
    out.append(keptBytes, static_cast<char>(kCutGrey));
    return writeBytes(path, out);
}

bool writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::string readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
