// Writes the fuzzer's seed pictures into DIR: tiny TIFFs of every layout the loader takes, and a few it refuses.
#include <cstdio>
#include <string>

#include "tests/support/TestTiff.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: texture_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (TiffLayout layout : {TiffLayout::Rgb8, TiffLayout::Lzw, TiffLayout::Tiled, TiffLayout::Planar,
                              TiffLayout::Grey8, TiffLayout::Rgb16, TiffLayout::Palette, TiffLayout::Cmyk})
        ok = writeLayoutTiff(dir + "/" + layoutName(layout) + ".tif", layout, 16, 16) && ok;
    ok = writeRgbaTiff(dir + "/rgba.tif", 8, 4, [](int x, int y) {
             return Rgba8{uint8_t(x * 30), uint8_t(y * 60), 90, uint8_t(x * 30)};
         }) && ok;
    ok = writeClaimingTiff(dir + "/huge.tif", 100000, 100000) && ok;
    ok = writeClaimingTiff(dir + "/edge.tif", 512, 1, 512) && ok;
    ok = writeCutTiff(dir + "/cut.tif", 16, 16, 4, 100) && ok;
    if (!ok) std::fprintf(stderr, "texture_seeds: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
