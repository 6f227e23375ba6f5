#pragma once
// What a run from the command line needs of the operating system besides
// files: a working folder named on the command line and a place for its
// report. Neither touches a window system, so such a run needs no display
// and works over ssh and in scripts. One implementation per OS, beside the
// host's file services. Called by the command-line run in flow/ on the game
// thread, before any window; each blocks until the system answers.

#include <string>

namespace schlingo::platform::host {

// Makes argument `index` of the command line, as main received it, the
// working directory. False when it cannot be entered.
bool enterFolderArgument(int argc, char** argv, int index);

// The working directory's name in UTF-8, for the report's heading; empty
// when it cannot be had.
std::string workingFolderUtf8();

// Whether something of this Windows-1252 name exists in the working
// directory, readable or not: a list that cannot be opened is missing only
// when this is false too.
bool nameExists(const std::string& cp1252Name);

// Shows a UTF-8 report with "\n" line ends. Linux: on standard output.
// Windows: in the console the program was started from, or in the file or
// pipe its output is redirected to; without either (started from Explorer or
// a shortcut) in a message box, which gets `brief`. `problems` picks the
// box's warning icon. False when the report could not be written whole
// (a full disk, a closed pipe).
bool showReport(const std::string& full, const std::string& brief, bool problems);

// Shows a UTF-8 error with "\n" line ends where errors go: standard error, or
// on Windows without one a message box.
void showError(const std::string& text);

} // namespace schlingo::platform::host
