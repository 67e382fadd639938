// libFuzzer target for the picture loader: any bytes, handed to the reader as a file the way the show
// hands it "img1.tif". The reader needs no GL, so the fuzzer runs without a display.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tiffio.h>
#include <unistd.h>

#include "gfx/TiffRaster.h"

namespace {
// Small enough to keep thousands of runs a second; the size checks are the same at any limit.
constexpr int kMaxSide = 512;

std::string inputPath;
int inputFd = -1;

void removeInput()
{
    if (!inputPath.empty()) unlink(inputPath.c_str());
}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // libtiff's complaints about malformed input would only slow the run down.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kiv-texture-fuzz-XXXXXX";
    inputFd = mkstemp(pattern.data());
    if (inputFd < 0) {
        std::perror("texture_fuzz: mkstemp");
        std::abort();
    }
    inputPath = pattern;
    std::atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (ftruncate(inputFd, 0) != 0 || pwrite(inputFd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    TiffRaster raster;
    if (raster.read(inputPath.c_str(), kMaxSide)) {
        if (raster.width() < 1 || raster.width() > kMaxSide || raster.height() < 1 || raster.height() > kMaxSide ||
            !raster.pixels())
            std::abort();
        // Touch the last pixel: the raster must really be width x height.
        volatile uint32_t last = raster.pixels()[static_cast<size_t>(raster.width()) * raster.height() - 1];
        (void)last;
    } else if (raster.pixels() || raster.width() != 0 || raster.height() != 0) {
        std::abort();
    }
    return 0;
}
