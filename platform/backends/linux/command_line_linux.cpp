#include "platform/seam/command_line.hpp"

#include "platform/machine/text_codec.hpp"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace schlingo::platform::host {

bool enterFolderArgument(int argc, char** argv, int index) {
    return index < argc && ::chdir(argv[index]) == 0;
}

std::string workingFolderUtf8() {
    std::vector<char> name(4096);
    // File names on Linux are bytes; the report shows them as the terminal does.
    return ::getcwd(name.data(), name.size()) != nullptr ? std::string(name.data()) : std::string();
}

bool nameExists(const std::string& cp1252Name) {
    struct stat info {};
    return ::lstat(cp1252ToUtf8(cp1252Name).c_str(), &info) == 0;
}

bool showReport(const std::string& full, const std::string& brief, bool problems) {
    (void)brief;
    (void)problems;
    const bool written = std::fwrite(full.data(), 1, full.size(), stdout) == full.size();
    return std::fflush(stdout) == 0 && written && std::ferror(stdout) == 0;
}

void showError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace schlingo::platform::host
