#include "rules/guessing_loop.hpp"

#include "gamefiles/button_map.hpp"
#include "presentation/glyph_set.hpp"
#include "presentation/letter_board.hpp"
#include "presentation/word_screen.hpp"
#include "rules/announcements.hpp"
#include "rules/scoring.hpp"
#include "rules/word_reset.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"

#include <array>
#include <span>

namespace schlingo {

int computeTriesLeft(const Program& program) {
    const Options& options = program.options;
    const GameState& game = program.game;
    const int misses = program.word.missCount;
    if (options.kamikazeMode == 1) {
        return game.bonusTries + options.maxTries - misses - game.carriedMisses;
    }
    if (options.selbstmordMode == 1) {
        return options.maxTries - misses - game.carriedMisses;
    }
    return options.maxTries - misses;
}

void applyGuess(Program& program, int letterIndex) {
    WordState& word = program.word;
    const bool specialLetters = program.options.specialLetters == 1;

    word.guessLetter = letters[letterIndex].text;
    word.letterUsed[letterIndex] = 1;

    word.wordLength = static_cast<int>(word.currentWord.size());
    const char guess = word.guessLetter[0];
    for (int p = 0; p < word.wordLength; ++p) {
        const bool hit = word.currentWord[p] == guess;
        if (hit) {
            if (program.options.blindMode != 1) {
                drawHit(program, p);
            }
            word.revealedCount += 1;
            word.noHitYet = 0;
        }
        const int last = specialLetters ? letterCount : 26;
        for (int i = 1; i <= last; ++i) {
            if (word.guessLetter == letters[i].text) {
                word.guessIndex = i;
                break;
            }
        }
        word.modeSwitchAllowed = 0;
        if (word.noHitYet == 1 && !hit) {
            word.letterMissed[word.guessIndex] = 1;
        }
        if (hit) {
            word.letterMissed[word.guessIndex] = 0;
        }
    }
    word.noHitYet = 1;

    markLetterUsed(program, letterIndex);
}

namespace {

bool keyDown(const platform::PassInput& pass, int scanCode) {
    return pass.keys[static_cast<std::size_t>(scanCode)];
}

// Ctrl+1/2/3: switches the mode until the first guess of the word. True when
// the mode changed: a held Ctrl+2 switches once, then the loop waits again.
bool modeKey(Program& program, const platform::PassInput& pass, int digit, const char* title,
             int kamikaze, int selbstmord) {
    if (!keyDown(pass, ctrlScanCode) || !keyDown(pass, digitScanCode[digit])) {
        return false;
    }
    if (program.word.modeSwitchAllowed == 1) {
        program.screen().setWindowTitle(title);
        Options& options = program.options;
        const bool switched =
            options.kamikazeMode != kamikaze || options.selbstmordMode != selbstmord;
        options.kamikazeMode = kamikaze;
        options.selbstmordMode = selbstmord;
        return switched;
    }
    showGameMessage(program, "Sie haben bereits ein neues Spiel angefangen!");
    return false;
}

} // namespace

// One pass of the guessing loop: pointer, tries counter, one board rectangle,
// the letter keys, Esc, the mode keys, then the win and loss checks and the
// typed key. False when the word's loop has ended.
bool guessingPass(Program& program) {
    WordState& word = program.word;
    platform::Input& input = program.input();
    const int triesShown = word.triesLeft;
    bool changedState = false;
    std::array<int, letterCount + 1> guessed{}; // the pass's guesses, in order
    std::size_t guesses = 0;

    const platform::PassInput& pass = input.beginPass(buttonCount);
    word.mouseX = pass.mouse.x;
    word.mouseY = pass.mouse.y;
    word.mouseButtons = pass.mouse.buttons;

    word.triesLeft = computeTriesLeft(program);
    drawTriesLeft(program);

    const int clicked = clickedLetter(program, word.mouseX, word.mouseY, word.mouseButtons);
    if (clicked != 0 && word.letterUsed[clicked] == 0) {
        applyGuess(program, clicked);
        guessed[guesses++] = clicked;
    }

    for (int i = 1; i <= 26; ++i) {
        if (keyDown(pass, letters[i].scanCode) && word.letterUsed[i] == 0) {
            applyGuess(program, i);
            guessed[guesses++] = i;
        }
    }

    if (keyDown(pass, escScanCode)) {
        freeGlyphSet(program);
        program.backend.exitProcess(0);
    }

    bool modeSwitched = modeKey(program, pass, 1, "Schlingo - Modus: Normal", 0, 0);
    modeSwitched |= modeKey(program, pass, 2, "Schlingo - Modus: Kamikaze", 1, 0);
    modeSwitched |= modeKey(program, pass, 3, "Schlingo - Modus: Selbstmord", 0, 1);

    int misses = 0;
    for (int i = 1; i <= letterCount; ++i) {
        misses += word.letterMissed[i];
    }
    word.missCount = misses;

    if (guesses > 0 || modeSwitched) {
        announceTurn(program, std::span<const int>(guessed.data(), guesses), modeSwitched);
        changedState = true;
    }

    if (word.revealedCount == word.wordLength) {
        word.wordFinished = 1;
        return false;
    }
    if (word.triesLeft < 1) {
        word.wordFinished = 1;
        return false;
    }

    // The next pass draws the counter from this pass's misses and ends a word
    // whose last try is gone, so after a guess, a mode switch or a new counter
    // it follows at once, whatever the keys do. A pass that changed nothing
    // and began from the input of the last one would change nothing again,
    // so instead of polling the loop then waits for the input to change. Only
    // the button map's cursor moves while the left button alone is held: then
    // every rectangle gets its turn first.
    changedState = changedState || word.triesLeft != triesShown;
    input.endPass(changedState, word.mouseButtons == 1 ? buttonCount : 0);

    const std::string key = input.readKey();
    if (key == "\x1b" || key == "\xffk") {
        word.wordFinished = 0;
        return false;
    }
    return true;
}

void playWords(Program& program) {
    for (;;) {
        setUpWordScreen(program); // clearing the letter flags changes nothing on screen
        clearLetterFlags(program);
        program.screen().setForeground(0xFFFFFF);
        announceWordStart(program);

        while (guessingPass(program)) {
        }

        if (!finishWord(program)) {
            return;
        }
    }
}

} // namespace schlingo
