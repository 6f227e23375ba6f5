#pragma once
// Raw file access for tests, past the code under test.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace schlingo::test {

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Lengthens a file to `size` bytes without the disk holding them: one byte
// written at the end leaves a hole before it. std::filesystem::resize_file
// would not do under mingw-w64, whose ftruncate64 refuses any length the disk
// has no free room for, sparse or not.
inline void lengthenSparsely(const std::filesystem::path& path, long long size) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(size - 1);
    file.put('\0');
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace schlingo::test
