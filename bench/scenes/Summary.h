#pragma once
#include <vector>

// Order statistics of a set of measurements. All zero for an empty set.
struct Summary {
    double best = 0;    // the smallest: the figure least disturbed by other work on the machine
    double median = 0;
    double p90 = 0;     // 90th percentile, nearest rank
    double mean = 0;

    static Summary of(std::vector<double> values);
};
