#pragma once
// The scenario table (scenarios.txt) read once for every driver: its steps
// normalised, "greetings" expanded to its three boxes, every key resolved to
// what the driver's hands send, start window controls to their index in the
// program's own table of controls and the point a click lands on, board
// fields to their middles, the set-up's files and the files expected
// afterwards as their exact bytes, and "*" patterns as matchers and regular
// expressions. The scripted driver uses it directly; scenario_steps prints it
// for the desktop and browser drivers.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace schlingo::test {

enum class Driver { Scripted, X11, Sway, Wine, Web };
std::optional<Driver> driverNamed(std::string_view name);

// A key by its place on the German keyboard.
struct ScenarioKey {
    std::string name; // as the table names it: a-z, 0-9, esc, enter, space, ctrl, altgr
    int scanCode = 0; // set 1
    bool extended = false;
    int typed = 0;    // what a key-down types, 0 nothing
    std::string sent; // the driver's name for it: an X keysym under a US
                      // layout, wayland_input's, KeyboardEvent.code; the
                      // table's name on the scripted back end
};

struct ScenarioStep {
    int line = 0;
    std::string text;              // "verb rest" as the table has it
    std::string verb;              // the table's ("greetings": three "box")
    std::vector<ScenarioKey> keys; // tap, press, down, up, stray; box: its answer's key
    // form: the control's index, -1 for the close box; viaKey: sent as keys[0]
    int control = -1;
    bool viaKey = false;
    bool formEnds = false; // the start window goes after it
    int x = -1, y = -1;    // game or window pixels: form, mouse-down, touch (-1: anywhere)
    std::string answer;    // box: ok, yes or cancel
    std::string what;      // expect and written: what is looked at
    std::string value;     // expect: the text; box, stderr: the pattern ("" any)
    int number = 0;        // wait: ms; exit: code; written statistics: lines
    std::string bytes;     // written highscores: the file's exact bytes
};

struct ScenarioFile {
    std::string name; // UTF-8
    std::string bytes;
};

struct Scenario {
    std::string name;
    std::string notOn;               // why the driver's back end cannot play it
    std::vector<ScenarioFile> files; // in the working folder before the start
    bool windowFails = false;
    int wordLength = 0;              // letters of the word list's first word
    std::vector<ScenarioStep> steps; // after the set-up
};

// Throws std::runtime_error naming the line of a step it cannot read.
std::vector<Scenario> readScenarios(std::istream& table, Driver driver);

// "*" stands for any run of characters, newlines included.
bool matchesPattern(std::string_view pattern, std::string_view text);
// The same as an anchored regular expression, for POSIX ERE and JavaScript
// (the "s" flag there, so that "." takes newlines).
std::string patternRegex(std::string_view pattern);

// One line a record, fields apart by tabs (every field non-empty):
//   scenario NAME | not-on WHY | file NAME HEX | window-fails | word-length N
//   step LINE TEXT VERB FIELD...   (the fields of each verb: scenario_steps.cpp)
void writeScenarios(std::ostream& out, const std::vector<Scenario>& table);

std::string hexOf(std::string_view bytes);

} // namespace schlingo::test
