#pragma once

#include <algorithm>
#include <vector>

namespace zor::bench {

// Median and 95th percentile of samples in milliseconds.
struct Summary {
    double median = 0;
    double p95 = 0;
};

inline Summary summarise(std::vector<double> samples) {
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[size_t(q * double(samples.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.95)};
}

} // namespace zor::bench
