#pragma once
// Every file the content generator writes, with its bytes.

#include "tools/content/bitmap_file.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace schlingo::content {

struct ContentFile {
    std::string path; // relative to the repository root, "/"-separated, UTF-8
    Bytes bytes;
};

// The pictures, the click map and the icon.
std::vector<ContentFile> pictureFiles();
// The word lists converted from their sources under repoRoot/tools/words.
// Throws std::runtime_error when a source cannot be read or converted.
std::vector<ContentFile> wordListFiles(const std::filesystem::path& repoRoot);
// Both of the above.
std::vector<ContentFile> generateContent(const std::filesystem::path& repoRoot);

// A path from UTF-8 text, also on Windows.
std::filesystem::path utf8Path(const std::string& text);
std::optional<Bytes> readWholeFile(const std::filesystem::path& path);

} // namespace schlingo::content
