#include "presentation/letter_board.hpp"

#include "state/program.hpp"

namespace schlingo {

// Where the board pictures show the letters; q reaches down to 284.
const BoardField boardFields[32] = {
    {0, 0, 0, 0},         {17, 208, 44, 233},   {49, 208, 73, 233},   {79, 208, 104, 233},
    {109, 208, 134, 233}, {140, 208, 162, 233}, {169, 208, 190, 233}, {195, 208, 221, 233},
    {228, 208, 252, 233}, {260, 208, 272, 233}, {277, 208, 299, 233}, {306, 208, 332, 233},
    {338, 208, 359, 233}, {365, 208, 393, 233}, {14, 256, 39, 281},   {45, 256, 71, 281},
    {77, 256, 100, 281},  {105, 256, 132, 284}, {138, 256, 163, 281}, {167, 256, 191, 281},
    {195, 256, 220, 281}, {225, 256, 250, 281}, {255, 256, 282, 281}, {285, 256, 318, 281},
    {322, 256, 349, 281}, {352, 256, 378, 281}, {382, 256, 407, 281}, {139, 156, 164, 190},
    {175, 156, 199, 190}, {212, 156, 235, 190}, {248, 156, 268, 190}, {281, 156, 304, 190},
};

void markLetterUsed(Program& program, int letterIndex) {
    if (program.options.blindMode == 1) {
        return;
    }
    const BoardField& field = boardFields[letterIndex];
    program.screen().fillBox(field.x1, field.y1, field.x2, field.y2, 0);
}

} // namespace schlingo
