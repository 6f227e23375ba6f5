#pragma once
// A private working directory for the targets that read the game's files by
// their fixed names: in memory (/dev/shm) when there is one, since a disk write
// costs more than the read under test.

#include "platform/seam/host.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace schlingo::fuzz {

class WorkDirectory {
public:
    WorkDirectory() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        path_ = base / ("schlingo-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~WorkDirectory() {
        std::error_code ignored;
        std::filesystem::current_path("/", ignored);
        std::filesystem::remove_all(path_, ignored);
    }

private:
    std::filesystem::path path_;
};

// Writes the bytes to a file of the working directory by its Windows-1252 name.
inline void writeFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = platform::host::openFile(name, "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

} // namespace schlingo::fuzz
