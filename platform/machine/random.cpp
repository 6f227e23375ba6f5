#include "platform/machine/random.hpp"
#include "platform/machine/text_file.hpp"

#include <cmath>

namespace schlingo::platform {
namespace {
constexpr int n = 624;
constexpr int m = 397;
constexpr std::uint32_t matrixA = 0x9908B0DFu;
constexpr std::uint32_t upperMask = 0x80000000u;
constexpr std::uint32_t lowerMask = 0x7FFFFFFFu;
} // namespace

void Random::randomize(double seed) {
    // Truncate toward zero and keep the low 32 bits; fmod is exact for any size.
    double whole = std::trunc(seed);
    if (!std::isfinite(whole)) {
        whole = 0;
    }
    double low = std::fmod(whole, 4294967296.0);
    if (low < 0) {
        low += 4294967296.0;
    }
    state_[0] = static_cast<std::uint32_t>(low);
    for (int k = 1; k < n; ++k) {
        state_[k] = state_[k - 1] * 1664525u + 1013904223u;
    }
    index_ = n;
}

void Random::regenerate() {
    for (int k = 0; k < n; ++k) {
        const std::uint32_t y = (state_[k] & upperMask) | (state_[(k + 1) % n] & lowerMask);
        state_[k] = state_[(k + m) % n] ^ (y >> 1) ^ ((y & 1u) != 0 ? matrixA : 0u);
    }
    index_ = 0;
}

double Random::rnd() {
    if (index_ >= n) {
        regenerate();
    }
    std::uint32_t y = state_[index_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return static_cast<double>(y) / 4294967296.0;
}

int randomWordIndex(Random& random, int wordCount) {
    if (wordCount < 2) {
        return 0; // no entry after the first: nothing can be drawn
    }
    int index = 1;
    while (index == 1) {
        index = intFloor(random.rnd() * wordCount) + 1;
    }
    return index;
}

int randomCategory(Random& random) {
    return intFloor(random.rnd() * 5 + 1);
}

int randomColourIndex(Random& random) {
    return intFloor(random.rnd() * 15) + 1;
}

} // namespace schlingo::platform
