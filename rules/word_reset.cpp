#include "rules/word_reset.hpp"

#include "gamefiles/highscores.hpp"
#include "state/program.hpp"

namespace schlingo {

void beginWord(Program& program) {
    WordState& word = program.word;
    word.wordFinished = 0;
    word.modeSwitchAllowed = 1;
    word.noHitYet = 1;
    word.revealedCount = 0;
    word.missCount = 0;
    if (program.options.randomCategory == 1) {
        program.words.wordListLoaded = 0;
    }
    readHighscores(program);
}

void clearLetterFlags(Program& program) {
    for (int i = 1; i <= letterCount; ++i) {
        program.word.letterUsed[i] = 0;
        program.word.letterMissed[i] = 0;
    }
}

} // namespace schlingo
