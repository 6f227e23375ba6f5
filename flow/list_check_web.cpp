// The list check for the page's files panel, beside the command line's: after
// an upload the page asks for the report of the list it replaced. The check
// only reads the working folder, so it may run while the game waits in the
// middle of a word.
#include "rules/list_check.hpp"
#include "rules/word_choice.hpp"

#include <emscripten.h>

#include <string>

namespace {

// Findings of each kind the panel shows per list.
constexpr std::size_t shownInThePanel = 10;

} // namespace

extern "C" {

// The report (UTF-8) of the list of a category (1 to 4); valid until the
// next call.
EMSCRIPTEN_KEEPALIVE const char* schlingo_check_list(int category) {
    static std::string report;
    report = schlingo::listCheckReport(
        {schlingo::checkWordList(schlingo::wordListFileName(category))}, shownInThePanel);
    return report.c_str();
}

} // extern "C"
