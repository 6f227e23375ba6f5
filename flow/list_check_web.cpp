// The list check for the page's files panel, beside the command line's: after
// an upload the page asks for the report of the list it replaced. The check
// only reads the working folder, so it may run while the game waits in the
// middle of a word.
#include "rules/list_check.hpp"
#include "rules/word_choice.hpp"

#include <emscripten.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Findings of each kind the panel shows per list.
constexpr std::size_t shownInThePanel = 10;

std::unique_ptr<schlingo::ListCheckJob> job;
int jobNumber = 0;

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

// The same in steps, so that the page stays usable while a big upload is
// checked: begin gives the check's number, each step goes through about
// `entries` entries and says 1 when done (-1 when a later begin replaced
// it), then the report.
EMSCRIPTEN_KEEPALIVE int schlingo_check_list_begin(int category) {
    job = std::make_unique<schlingo::ListCheckJob>(schlingo::wordListFileName(category));
    return ++jobNumber;
}

EMSCRIPTEN_KEEPALIVE int schlingo_check_list_step(int number, int entries) {
    if (number != jobNumber || !job) {
        return -1;
    }
    return job->step(static_cast<std::size_t>(entries > 0 ? entries : 1)) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* schlingo_check_list_report(int number) {
    static std::string report;
    report.clear();
    if (number == jobNumber && job && job->done()) {
        std::vector<schlingo::ListCheck> checked; // moved, not copied as a list would be
        checked.push_back(job->take());
        report = schlingo::listCheckReport(checked, shownInThePanel);
        job.reset();
    }
    return report.c_str();
}

} // extern "C"
