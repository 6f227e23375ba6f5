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
// Shows the list screen until a key is typed or the screen touched. False when
// the window's close request came meanwhile: the game is recorded, the
// program is to end.
bool showHighscoreList(Program& program);

} // namespace schlingo
