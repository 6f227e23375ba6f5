#include "flow/list_check_command.hpp"

#include "platform/machine/text_codec.hpp"
#include "platform/seam/command_line.hpp"
#include "rules/list_check.hpp"

#include <cstddef>
#include <new>
#include <string>

namespace schlingo {
namespace {

// Findings of each kind a list shows in a message box; the console gets all.
constexpr std::size_t shownInABox = 5;

std::string utf8(const char* cp1252) {
    return platform::cp1252ToUtf8(cp1252);
}

} // namespace

int checkListsCommand(int argc, char** argv) {
    if (argc > 3) {
        const std::string usage = utf8("Aufruf: schlingo --check-lists [ORDNER]\n");
        platform::host::showReport(usage, usage, true);
        return 2;
    }
    if (argc == 3 && !platform::host::enterFolderArgument(argc, argv, 2)) {
        // The name as given: on Linux the bytes of the file system.
        const std::string text = utf8("Der Ordner \x84") + argv[2] +
                                 utf8("\x93 fehlt oder l\xE4sst sich nicht \xF6"
                                      "ffnen.\n");
        platform::host::showReport(text, text, true);
        return 2;
    }
    try {
        const std::string heading = utf8("Wortlisten im Ordner \x84") +
                                    platform::host::workingFolderUtf8() + utf8("\x93\n\n");
        const auto lists = checkWordLists();
        const int status = listCheckStatus(lists);
        if (!platform::host::showReport(
                heading + listCheckReport(lists, static_cast<std::size_t>(-1)),
                heading + listCheckReport(lists, shownInABox), status != 0)) {
            // A script must not take a report that never arrived for a good one.
            platform::host::showError(utf8("Der Bericht l\xE4sst sich nicht schreiben: Die "
                                           "Ausgabe nimmt nichts mehr an.\n"));
            return 2;
        }
        return status;
    } catch (const std::bad_alloc&) {
        platform::host::showError(
            utf8("F\xFCr den Bericht fehlt der Speicher; die Listen sind zu gro\xDF.\n"));
        return 2;
    }
}

} // namespace schlingo
