#pragma once
// The letter board's fields on the board picture, blacked out when used.

namespace schlingo {
struct Program;

struct BoardField {
    int x1, y1, x2, y2; // both corners inside the field
};
extern const BoardField boardFields[32]; // index 1..31, entry 0 unused

void markLetterUsed(Program& program, int letterIndex);

} // namespace schlingo
