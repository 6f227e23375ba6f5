#pragma once
// From process start to process end: the option defaults, the loop of games
// with the start window, the greetings, the game screen and the words.

namespace schlingo {
struct Program;

// The option defaults and then the game loop forever; the process ends
// inside (Beenden, Esc, window close, missing word list).
[[noreturn]] void runProgram(Program& program);

// One game: the start window, the data files, the greetings, the game screen
// and the words; returns after a lost game.
void playGame(Program& program);

} // namespace schlingo
