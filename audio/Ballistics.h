#pragma once

// The spectrum's response, hop by hop: a hop at least as loud as what is shown shows at once, whole; after a
// quieter one every bin falls toward it with the time constant kFallSeconds. An attack so shows in the hop that
// hears it, the picture then eases down instead of flickering with every hop's spectrum, and the loudness falls
// smoothly without the bins' own ups and downs holding it up.
class Ballistics {
public:
    static constexpr double kFallSeconds = 0.1;  // a beat has fallen to a twelfth a quarter of a second later

    // `hopSeconds`: the time between two steps, > 0.
    explicit Ballistics(double hopSeconds);

    // Moves `shown` (n bins, loudness `shownLevel`) toward this hop's `heard` bins (loudness `heardLevel`).
    // Every bin ends between its two values.
    void step(const float* heard, float heardLevel, float* shown, float shownLevel, int n) const;

private:
    float keep_;  // share of the distance to a quieter hop left after one hop
};
