// The scenario table's steps as the desktop and browser drivers play them:
//
//   scenario_steps x11|sway|wine|web < scenarios.txt
//
// One line a record, fields apart by tabs:
//   scenario NAME              a new scenario
//   not-on WHY                 this back end cannot play it
//   file NAME HEX              a file in the working folder before the start
//   window-fails               the game window cannot be made
//   word-length N              letters of the word list's first word
//   step LINE TEXT VERB ...    a step; TEXT as the table has it, then by VERB:
//     form click INDEX X Y ENDS | form close ENDS | form key KEY ENDS
//                              (ENDS: "ends" when the start window goes, else "stays";
//                              X Y: the window's client pixels)
//     box ANSWER KEY REGEX     answered with KEY; REGEX: what it must say
//     tap KEY | down KEY | up KEY | press KEY... | stray KEY... | stray-close
//     mouse-down X Y | mouse-up | touch [X Y]   (game pixels; touch alone: anywhere)
//     close | wait MS | exit CODE
//     expect title TEXT | expect tries|word|used VALUE | expect list | expect form
//     stderr REGEX
//     written nothing | written highscores HEX | written statistics N
// Keys as the driver's hands send them. Exits 2 on a table it cannot read.
#include "scenarios/scenario_table.hpp"

#include <cstdio>
#include <iostream>
#include <stdexcept>

int main(int argc, char** argv) {
    const auto driver = argc == 2 ? schlingo::test::driverNamed(argv[1]) : std::nullopt;
    if (!driver) {
        std::fputs("usage: scenario_steps scripted|x11|sway|wine|web < scenarios.txt\n", stderr);
        return 2;
    }
    try {
        schlingo::test::writeScenarios(std::cout, schlingo::test::readScenarios(std::cin, *driver));
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "scenario_steps: %s\n", error.what());
        return 2;
    }
    return 0;
}
