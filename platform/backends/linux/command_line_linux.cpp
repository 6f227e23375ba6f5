#include "platform/seam/command_line.hpp"

#include <cstdio>
#include <unistd.h>

namespace schlingo::platform::host {

bool enterFolderArgument(int argc, char** argv, int index) {
    return index < argc && ::chdir(argv[index]) == 0;
}

void showReport(const std::string& full, const std::string& brief, bool problems) {
    (void)brief;
    (void)problems;
    std::fwrite(full.data(), 1, full.size(), stdout);
    std::fflush(stdout);
}

} // namespace schlingo::platform::host
