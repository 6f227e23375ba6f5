#include "tools/content/word_lists.hpp"
#include "platform/machine/text_codec.hpp"

#include <optional>
#include <stdexcept>
#include <utility>

namespace schlingo::content {

const std::array<WordListFile, 4> wordLists = {{
    {"allgemeine-woerter.txt", "allgemeine Wörter.txt"},
    {"staedte.txt", "Städte.txt"},
    {"laender.txt", "Länder.txt"},
    {"berufe.txt", "Berufe.txt"},
}};

std::string toWindows1252(std::string_view utf8) {
    std::optional<std::string> bytes = platform::utf8ToCp1252(utf8);
    if (!bytes) {
        throw std::runtime_error("not UTF-8, or a character outside Windows-1252");
    }
    return std::move(*bytes);
}

std::string fromWindows1252(std::string_view text) {
    return platform::cp1252ToUtf8(text);
}

Bytes convertWordList(std::string_view source) {
    Bytes out;
    std::size_t lineNumber = 0;
    while (!source.empty()) {
        ++lineNumber;
        const std::size_t end = source.find('\n');
        const std::string_view line = source.substr(0, end);
        source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.find('\r') != std::string_view::npos) {
            throw std::runtime_error("line " + std::to_string(lineNumber) +
                                     ": carriage return in the source");
        }
        std::string entry;
        try {
            entry = toWindows1252(line);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": " + e.what());
        }
        out.insert(out.end(), entry.begin(), entry.end());
        out.push_back('\r');
        out.push_back('\n');
    }
    return out;
}

} // namespace schlingo::content
