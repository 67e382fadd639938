#include "bench/scenes/Summary.h"

#include <algorithm>
#include <numeric>

Summary Summary::of(std::vector<double> values)
{
    Summary s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    s.best = values.front();
    s.median = n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
    s.p90 = values[std::min(n - 1, (n * 9 + 9) / 10 - 1)];
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(n);
    return s;
}
