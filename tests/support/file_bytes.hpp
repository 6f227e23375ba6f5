#pragma once
// Raw file access for tests, past the code under test.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace schlingo::test {

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A text saved as Notepad's "UTF-16 LE": the byte-order mark, then the units.
inline std::string utf16leFile(std::u16string_view units) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t u : units) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

} // namespace schlingo::test
