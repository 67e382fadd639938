#pragma once
#include <cstdint>
#include <vector>

// How much light a picture gives the screen: the mean relative luminance (sRGB linearised, 0 to 1) of the
// picture drawn modulated by a colour, over the middle part of it that a zoomed draw shows. Measured once, as
// the picture loads, from histograms of its channels in square rings about its centre, so that any colour and
// any zoom can be asked for later without the pixels.
class PictureLight {
public:
    static constexpr int kRings = 32;  // square rings about the centre, each 1/kRings of the half-width

    // Measures `pixels` (width x height, 8-bit RGBA in memory order red, green, blue, alpha), replacing what
    // was measured. Alpha is left out: a picture that lets what is below show through gives no more light
    // than an opaque one.
    void measure(const uint32_t* pixels, int width, int height);
    // A white picture: what a grid whose picture is missing shows, its cells in their own colours.
    static PictureLight white();

    bool measured() const { return !counts_.empty(); }
    // The mean relative luminance of the middle `share` of the picture each way (0 < share <= 1: the part of
    // it in a window when it is drawn 1 / share windows wide), drawn modulated by (r, g, b), each clamped to
    // [0, 1] as GL clamps colours. 0 when nothing was measured.
    double luminance(float r, float g, float b, float share = 1.0f) const;

private:
    // The mean over rings 0 to `ring`: what lies within (ring + 1) / kRings of the centre.
    double within(int ring, const float (&colour)[3]) const;

    // counts_[((ring * 3) + channel) * 256 + value]: pixels within ring `ring` or nearer the centre.
    std::vector<uint32_t> counts_;
    uint32_t pixelsWithin_[kRings] = {};
};
