#include "platform/backends/linux/buffer_turns.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace schlingo::platform::sdl {
namespace {

// Buffers as one number per row, drawn, shown and released by the compositor
// in random order, some taken without anything to show: every buffer handed
// out must hold the picture shown once its rows are copied, and must not be
// one the compositor still reads.
TEST(BufferTurns, EveryTurnHoldsThePictureShownAndNoneIsStillRead) {
    constexpr int rows = 8;
    constexpr std::size_t most = 3;
    std::mt19937 random(2026);
    int drawn = 0;
    for (int round = 0; round < 300; ++round) {
        BufferTurns turns(rows);
        std::vector<std::vector<int>> memory;
        std::vector<bool> busy;
        const auto add = [&] {
            EXPECT_EQ(turns.add(), memory.size());
            memory.emplace_back(rows, 0); // black
            busy.push_back(false);
        };
        add();
        add();
        std::vector<int> shown(rows, 0);
        std::optional<std::size_t> shownBuffer;
        for (int step = 0; step < 40; ++step) {
            for (std::size_t i = 0; i < busy.size(); ++i) {
                if (busy[i] && random() % 3 == 0) {
                    busy[i] = false;
                    turns.released(i);
                }
            }
            std::optional<BufferTurns::Turn> turn = turns.next();
            if (!turn && memory.size() < most) {
                add();
                turn = turns.next();
                ASSERT_TRUE(turn) << "a new buffer is free";
            }
            if (!turn) {
                for (std::size_t i = 0; i < busy.size(); ++i)
                    EXPECT_TRUE(busy[i]) << "buffer " << i << " is free but not handed out";
                continue;
            }
            const std::size_t b = turn->buffer;
            ASSERT_LT(b, memory.size());
            ASSERT_FALSE(busy[b]) << "buffer " << b << " is still read by the compositor";
            if (shownBuffer && !busy[*shownBuffer]) {
                EXPECT_EQ(b, *shownBuffer) << "the free buffer shown last needs no copy";
                EXPECT_LE(turn->endRow, turn->firstRow);
            }
            for (int row = turn->firstRow; row < turn->endRow; ++row)
                memory[b][static_cast<std::size_t>(row)] =
                    memory[turn->from][static_cast<std::size_t>(row)];
            ASSERT_EQ(memory[b], shown) << "round " << round << ", step " << step;
            if (random() % 4 == 0)
                continue; // nothing changed: taken, not shown
            const int first = static_cast<int>(random() % rows);
            const int end = first + 1 + static_cast<int>(random() % (rows - first));
            for (int row = first; row < end; ++row)
                memory[b][static_cast<std::size_t>(row)] = ++drawn;
            shown = memory[b];
            shownBuffer = b;
            busy[b] = true;
            turns.shown(b, first, end);
        }
    }
}

} // namespace
} // namespace schlingo::platform::sdl
