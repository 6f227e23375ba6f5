#pragma once
// The game screen in German words, for players who cannot
// see them: every text of that kind is built here and handed to the back end
// (Backend::announce), which may speak it or ignore it. They say what the
// picture shows, no more: in "Blindmodus" neither hits nor used letters.

#include <span>

namespace schlingo {
struct Program;

// A new word's screen: the word row, the tries left, the counters.
void announceWordStart(Program& program);
// After a pass that took guesses (letter indexes, in the order taken) or
// switched the mode: each guess's result, the word row, the tries the next
// pass shows and the letters used.
void announceTurn(Program& program, std::span<const int> guessed, bool modeSwitched);
// A word has ended by a win or a loss: its result, the hanged computer, the
// end of the game.
void announceWordEnd(Program& program);

} // namespace schlingo
