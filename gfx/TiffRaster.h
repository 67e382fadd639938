#pragma once
#include <cstdint>

// A picture decoded from a TIFF file into 8-bit RGBA, the way libtiff's RGBA reader lays it out:
// width x height pixels of four bytes in memory order red, green, blue, alpha, rows bottom-up
// (the first row in memory is the picture's bottom row). Needs no GL context.
class TiffRaster {
public:
    TiffRaster() = default;
    ~TiffRaster();
    TiffRaster(const TiffRaster&) = delete;
    TiffRaster& operator=(const TiffRaster&) = delete;

    // Reads `path`, replacing what was held. Refuses a file that is missing or of another kind (judged by its
    // first bytes), one libtiff cannot open or decode, and a picture with a side of 0 or above `maxSide` or
    // whose raster cannot be addressed. A refusal gives one stderr line "kiv: cannot show picture 'path' from
    // FOLDER: why", naming what the file is when its first bytes tell; libtiff's own errors and warnings
    // each go to stderr as "kiv: path: libtiff ...". Returns whether a raster is now held.
    bool read(const char* path, int maxSide);

    // 1 to maxSide after a successful read; 0 otherwise.
    int width() const { return width_; }
    int height() const { return height_; }
    // width x height pixels, or null when nothing is held.
    const uint32_t* pixels() const { return pixels_; }

private:
    void release();

    int width_ = 0;
    int height_ = 0;
    uint32_t* pixels_ = nullptr;
};
