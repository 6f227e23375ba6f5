#include "flow/startup.hpp"

#include "flow/start_window.hpp"
#include "gamefiles/button_map.hpp"
#include "gamefiles/highscores.hpp"
#include "rules/guessing_loop.hpp"
#include "rules/word_choice.hpp"
#include "rules/word_reset.hpp"
#include "state/program.hpp"

#include <string>

namespace schlingo {

namespace {

void reseed(Program& program) {
    program.random.randomize(program.backend.timerSeconds());
}

std::string modeTitle(const Options& options) {
    std::string title = "Schlingo - Modus: Normal";
    if (options.kamikazeMode == 1)
        title = "Schlingo - Modus: Kamikaze";
    if (options.selbstmordMode == 1)
        title = "Schlingo - Modus: Selbstmord";
    return title;
}

} // namespace

void playGame(Program& program) {
    program.game.gamesWon = 0;
    reseed(program);

    StartWindowLogic startWindow(program);
    program.backend.runStartWindow(startWindow);

    beginWord(program);
    reseed(program);
    readButtonMap(program);
    chooseWord(program);

    showGameMessage(program, "Es sind insgesamt " + std::to_string(program.words.wordCount - 1) +
                                 " W\xF6rter!");
    showGameMessage(program, "Der Rekord liegt momentan bei " + std::to_string(record(program)) +
                                 " Punkten!");
    showGameMessage(program,
                    "Bei diesem Spiel handelt es sich um ein klassisches Galgenm\xE4nnchen, nur "
                    "das nicht das Galgenm\xE4nnchen aufgeh\xE4ngt wird, sondern der Rechner!");

    program.screen().openScreen(940, 320, 32, 1, 0);
    program.word.gameWindow = program.screen().screenWindowHandle();
    program.backend.setProgramIcon();
    program.screen().setWindowTitle(modeTitle(program.options));

    playWords(program);
}

void runProgram(Program& program) {
    // Option defaults, once per run; they then survive from game to game.
    program.options = Options{};
    for (;;)
        playGame(program);
}

} // namespace schlingo
