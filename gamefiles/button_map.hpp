#pragma once
// "Button2.galgen": the click rectangles of the letter board.

namespace schlingo {
struct Program;

void readButtonMap(Program& program);
// The letter index (1..31) a left click chooses, or 0 for no letter. Tests
// one rectangle per call, the next in turn.
int clickedLetter(Program& program, int x, int y, int buttons);

} // namespace schlingo
