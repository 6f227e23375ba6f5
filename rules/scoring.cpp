#include "rules/scoring.hpp"

#include "gamefiles/highscores.hpp"
#include "gamefiles/statistics.hpp"
#include "platform/machine/random.hpp"
#include "platform/machine/text_file.hpp"
#include "presentation/glyph_set.hpp"
#include "presentation/word_screen.hpp"
#include "rules/announcements.hpp"
#include "rules/guessing_loop.hpp"
#include "rules/word_choice.hpp"
#include "rules/word_reset.hpp"
#include "state/program.hpp"

namespace schlingo {

namespace {

// The win and the loss message treat the game window alike: what was typed
// or pressed there while the box was up is no guess for the next word, and a
// close request ends the program once the box is answered.
void endIfClosedDuringMessage(Program& program) {
    if (program.input().closeAfterMessage()) {
        freeGlyphSet(program);
        program.backend.exitProcess(0);
    }
}

} // namespace

bool finishWord(Program& program) {
    WordState& word = program.word;
    GameState& game = program.game;

    if (word.wordFinished == 0) {
        freeGlyphSet(program);
        program.backend.exitProcess(0);
    }

    word.triesLeft = computeTriesLeft(program);
    drawTriesLeft(program);

    if (word.missCount > game.bonusTries + 10) {
        showComputerPicture(program);
    }
    announceWordEnd(program);

    if (word.revealedCount == word.wordLength) {
        game.points = game.points + word.triesLeft + game.gamesWon;
        game.gamesWon += 1;
        showGameMessage(program, "Gratuliere, das war das richtige Wort!");
        endIfClosedDuringMessage(program);
        if (game.winCycle > 9) {
            game.winCycle = 0;
        }
        game.winCycle += 1;
        if (game.winCycle == 10) {
            game.bonusTries += 1;
        }
        game.carriedMisses = word.missCount;
    }

    // A word completed on the pass after the last try is won and lost at once.
    const bool gameOver = word.triesLeft < 1;
    if (gameOver) {
        rankScore(program, game.points);
        appendStatistics(program, game.points, game.gamesWon);
        writeHighscores(program);
        game.gamesWon = 0;
        game.points = 0;
        showGameMessage(program, "Sie haben leider verloren!\r\ngesuchtes Wort: " +
                                     platform::trimLeft(word.currentWord));
        endIfClosedDuringMessage(program);
        if (!showHighscoreList(program)) {
            freeGlyphSet(program);
            program.backend.exitProcess(0);
        }
        game.bonusTries = 0;
        game.carriedMisses = 0;
    }

    if (program.options.randomCategory == 1) {
        program.options.category = platform::randomCategory(program.random);
    }

    beginWord(program);
    clearLetterFlags(program);
    chooseWord(program);
    freeGlyphSet(program);

    return !gameOver;
}

} // namespace schlingo
