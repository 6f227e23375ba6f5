#include "platform/machine/random.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

namespace schlingo::platform {
namespace {

// An independent MT19937 loaded with the same full state; its next call
// regenerates, as ours does after randomize.
std::mt19937 referenceFrom(const Random& random) {
    std::stringstream state;
    for (const std::uint32_t word : random.state()) {
        state << word << ' ';
    }
    state << 624;
    std::mt19937 reference;
    state >> reference;
    return reference;
}

TEST(Random, SeedingIsTheLinearCongruentialRecurrence) {
    Random random;
    random.randomize(0.0);
    EXPECT_EQ(random.state()[0], 0u);
    EXPECT_EQ(random.state()[1], 1013904223u);
    EXPECT_EQ(random.state()[2], 1013904223u * 1664525u + 1013904223u);
    EXPECT_EQ(random.index(), 624);
    random.randomize(123456.99);
    EXPECT_EQ(random.state()[0], 123456u);
    for (int k = 1; k < 624; ++k) {
        ASSERT_EQ(random.state()[k], random.state()[k - 1] * 1664525u + 1013904223u);
    }
}

TEST(Random, SeedKeepsTheLow32BitsOfItsWholePart) {
    Random random;
    random.randomize(-1.7);
    EXPECT_EQ(random.state()[0], 0xFFFFFFFFu);
    random.randomize(4294967296.0 * 3 + 17.5);
    EXPECT_EQ(random.state()[0], 17u);
    random.randomize(1e300); // a multiple of 2^32
    EXPECT_EQ(random.state()[0], 0u);
}

TEST(Random, SeedsOfOneSecondGiveOneSequence) {
    Random a, b, c;
    a.randomize(1000.2);
    b.randomize(1000.9);
    c.randomize(1001.0);
    bool differs = false;
    for (int i = 0; i < 50; ++i) {
        const double fromA = a.rnd();
        EXPECT_EQ(fromA, b.rnd());
        differs = differs || fromA != c.rnd();
    }
    EXPECT_TRUE(differs);
}

TEST(Random, DrawsMatchAnIndependentMt19937) {
    for (const double seed : {0.0, 1.0, 86399.5, 4294967295.0}) {
        Random random;
        random.randomize(seed);
        std::mt19937 reference = referenceFrom(random);
        // Three regenerations deep.
        for (int i = 0; i < 3 * 624 + 5; ++i) {
            ASSERT_EQ(random.rnd(), static_cast<double>(reference()) / 4294967296.0)
                << "seed " << seed << " draw " << i;
        }
    }
}

TEST(Random, FirstDrawComesFromTheRegeneratedState) {
    Random random;
    random.randomize(5.0);
    std::uint32_t y = 5; // the seed word tempered without regeneration
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    EXPECT_NE(random.rnd(), static_cast<double>(y) / 4294967296.0);
    EXPECT_EQ(random.index(), 1);
    EXPECT_NE(random.state()[0], 5u);
}

TEST(Random, WholeNumberDrawsStayInTheirRanges) {
    Random random;
    random.randomize(42.0);
    std::set<int> words, categories, colours;
    for (int i = 0; i < 20000; ++i) {
        const double r = random.rnd();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        words.insert(randomWordIndex(random, 6));
        categories.insert(randomCategory(random));
        colours.insert(randomColourIndex(random));
    }
    EXPECT_EQ(words, (std::set<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(categories, (std::set<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(*colours.begin(), 1);
    EXPECT_EQ(*colours.rbegin(), 15);
    EXPECT_EQ(colours.size(), 15u);
}

TEST(Random, WordDrawNeedsTwoEntries) {
    Random random;
    random.randomize(7.0);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(randomWordIndex(random, 2), 2);
    }
    EXPECT_EQ(randomWordIndex(random, 1), 0);
    EXPECT_EQ(randomWordIndex(random, 0), 0);
}

} // namespace
} // namespace schlingo::platform
