#pragma once
// A fresh working directory for one test, removed again afterwards.

#include <filesystem>

namespace schlingo::test {

class TempDir {
public:
    TempDir();  // creates the folder and makes it the working directory
    ~TempDir(); // goes back to the previous working directory and removes it
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_, path_;
};

} // namespace schlingo::test
