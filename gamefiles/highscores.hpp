#pragma once
// "Highscore.dat": ten scores, read before every word, ranked and rewritten
// after every lost game, and the 400 x 400 list screen.

#include <cstdint>

namespace schlingo {
struct Program;

void readHighscores(Program& program);
std::int32_t record(const Program& program);
void rankScore(Program& program, std::int32_t score);
void writeHighscores(Program& program);
void showHighscoreList(Program& program);

} // namespace schlingo
