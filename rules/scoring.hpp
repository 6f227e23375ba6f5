#pragma once
// The end of a word: abort, hanged computer, scoring, game over, next word.

namespace schlingo {
struct Program;

// Settles the ended word: the abort, the hanged computer, the points, and at
// game over the table, the statistics and the list. Returns true when the
// game goes on with the next word, false at game over. Does not return after
// Esc or close (wordFinished 0).
bool finishWord(Program& program);

} // namespace schlingo
