#pragma once
// The game's one random generator: MT19937 generation and tempering, seeded by
// a linear congruential recurrence from whole seconds of a timer. Game thread only.

#include <array>
#include <cstdint>

namespace schlingo::platform {

class Random {
public:
    void randomize(double seed);
    double rnd(); // 0 <= value < 1; every call advances the generator

    // The raw state, for checking against an independent MT19937.
    const std::array<std::uint32_t, 624>& state() const { return state_; }
    int index() const { return index_; }

private:
    void regenerate();
    std::array<std::uint32_t, 624> state_{};
    int index_ = 624;
};

// Whole numbers from draws.
// INT(rnd * n) + 1, drawn again while 1: 2..n. 0 when wordCount < 2 (nothing to draw).
int randomWordIndex(Random& random, int wordCount);
int randomCategory(Random& random);    // INT(rnd * 5 + 1): 1..5
int randomColourIndex(Random& random); // INT(rnd * 15) + 1: 1..15

} // namespace schlingo::platform
