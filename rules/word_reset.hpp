#pragma once
// The per-word reset that the start of a game and the end of every word share.

namespace schlingo {
struct Program;

// Per-word reset, then the highscore table read again.
void beginWord(Program& program);
// Clears letterUsed and letterMissed 1..31.
void clearLetterFlags(Program& program);

} // namespace schlingo
