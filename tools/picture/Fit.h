#pragma once
#include "tools/assets/Canvas.h"
#include "tools/picture/Photo.h"

// Within GL_MAX_TEXTURE_SIZE of every OpenGL of the last fifteen years.
constexpr int kMaxPictureSide = 2048;

// How a photo becomes one of the show's pictures. The show stretches every picture over the whole window,
// so the photo is first cropped about its centre to the window's shape (`aspect` = width / height), keeping
// its own proportions on screen, then resampled to a square whose side is a power of two.
struct Fitting {
    double x0, y0;          // the crop's top-left corner in the photo, in pixels
    double width, height;   // the crop's size in pixels
    int side;               // of the square: a power of two, at most maxSide
};

// The crop and square for `photo`: the side is the smallest power of two that holds the crop's longer side
// at full detail, but no more than `maxSide` (itself a power of two).
Fitting fitting(const Photo& photo, double aspect, int maxSide);

// The square, painted in screen orientation (Canvas writes it flipped for the show). Downscaling averages
// with a tent filter as wide as the scale; alpha weights the colours, so transparent edges keep no fringe.
Canvas fit(const Photo& photo, const Fitting& f);

// The show's picture made from `photo` for a screen of shape `aspect`: fit() over fitting() at most
// kMaxPictureSide a side. kiv-picture and the page both prepare pictures through this.
Canvas forShow(const Photo& photo, double aspect);
