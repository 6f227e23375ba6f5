#pragma once
// Playing words: the set-up of each word, the polling loop of guesses, and the
// evaluation of one guess.

namespace schlingo {
struct Program;

// Words until game over; returns then. Ends the process on Esc or close.
void playWords(Program& program);
// Takes the letter of this index (1..31) as the player's guess.
void applyGuess(Program& program, int letterIndex);
// One pass of the guessing loop; false once the word's loop has ended.
bool guessingPass(Program& program);
// triesLeft by the game mode, with the current missCount.
int computeTriesLeft(const Program& program);

} // namespace schlingo
