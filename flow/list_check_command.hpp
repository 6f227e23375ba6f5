#pragma once
// `schlingo --check-lists [FOLDER]`: the word lists of the working directory,
// or of FOLDER, checked and reported without a window (platform/seam/
// command_line.hpp says where the report goes).

namespace schlingo {

// Returns the exit status: 0 every word can be won, 1 a word never can, 2 a
// list is missing or unreadable (also a folder that cannot be entered).
int checkListsCommand(int argc, char** argv);

} // namespace schlingo
