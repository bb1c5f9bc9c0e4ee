#pragma once

#include <QtGlobal>
#include <utility>

namespace zor::sim {

// A small seeded generator (SplitMix64) that gives the same numbers on every platform,
// unlike the standard distributions.
class SimRandom {
public:
    explicit SimRandom(quint64 seed) : state_(seed) {}

    quint64 next() {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number from low to high, both included.
    int between(int low, int high) {
        if (high <= low)
            return low;
        return low + int(next() % quint64(high - low + 1));
    }

    char byte() { return char(next() & 0xFF); }

    template <typename Array> void shuffle(Array& items) {
        for (int i = int(items.size()) - 1; i > 0; --i)
            std::swap(items[i], items[between(0, i)]);
    }

private:
    quint64 state_;
};

} // namespace zor::sim
