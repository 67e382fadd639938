#pragma once
#include <cstdint>
#include <functional>
#include <string>

// TIFF files written by the tests themselves, in the layouts the picture loader must take or refuse.
// Rows are given as an image viewer shows them: y = 0 is the top row.

struct Rgba8 {
    uint8_t r, g, b, a;
};

// An 8-bit RGBA picture, strips, no compression. Returns whether the file was written.
bool writeRgbaTiff(const std::string& path, int width, int height, const std::function<Rgba8(int x, int y)>& pixel);

// The layouts of a picture in two halves: the top half `kTopColour`, the bottom half `kBottomColour`
// (for greyscale, their red channel as grey).
enum class TiffLayout {
    Rgb8,          // plain strips
    Lzw,           // RGB, LZW-compressed with the horizontal predictor
    Tiled,         // RGB, 16 x 16 tiles
    Planar,        // RGB, one plane per channel
    Grey8,
    Rgb16,         // 16 bits per sample
    Palette,       // 8-bit indices into a colour map
    Cmyk,          // separated ink, 8 bits
};
constexpr Rgba8 kTopColour{200, 30, 40, 255};
constexpr Rgba8 kBottomColour{20, 60, 220, 255};
bool writeLayoutTiff(const std::string& path, TiffLayout layout, int width, int height);
const char* layoutName(TiffLayout layout);

// A baseline greyscale TIFF whose header claims `width` x `height` pixels but that holds a single strip of
// `dataBytes` bytes, so absurd sizes cost nothing to write.
bool writeClaimingTiff(const std::string& path, uint32_t width, uint32_t height, uint32_t dataBytes = 16);

// A baseline greyscale TIFF of grey `kCutGrey`, directory first, in strips of `rowsPerStrip` rows, whose
// file ends after `keptBytes` bytes of pixel data: a picture cut off part way through its pixels.
constexpr uint8_t kCutGrey = 200;
bool writeCutTiff(const std::string& path, uint32_t width, uint32_t height, uint32_t rowsPerStrip, uint32_t keptBytes);

// Writes `bytes` to `path` as they are.
bool writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
