#pragma once
// "Statistik.txt": one appended line per lost game.

#include <cstdint>

namespace schlingo {
struct Program;

void appendStatistics(Program& program, std::int32_t score, std::int32_t wordsWon);

} // namespace schlingo
