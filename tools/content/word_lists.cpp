#include "tools/content/word_lists.hpp"

#include <stdexcept>

namespace schlingo::content {

const std::array<WordListFile, 4> wordLists = {{
    {"allgemeine-woerter.txt", "allgemeine Wörter.txt"},
    {"staedte.txt", "Städte.txt"},
    {"laender.txt", "Länder.txt"},
    {"berufe.txt", "Berufe.txt"},
}};

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252; 0 where the byte is unused.
constexpr char32_t upperControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int byteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (int i = 0; i < 32; ++i) {
        if (upperControlRange[i] == cp && cp != 0) {
            return 0x80 + i;
        }
    }
    return -1;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string toWindows1252(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int extra;
        char32_t cp;
        if (lead < 0x80) {
            extra = 0;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else {
            throw std::runtime_error("not UTF-8 (or outside Windows-1252)");
        }
        if (i + static_cast<std::size_t>(extra) >= utf8.size()) {
            throw std::runtime_error("UTF-8 sequence cut short");
        }
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                throw std::runtime_error("not UTF-8");
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        const bool overlong = (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800);
        const int byte = overlong ? -1 : byteOf(cp);
        if (byte < 0) {
            throw std::runtime_error("character outside Windows-1252");
        }
        out += static_cast<char>(byte);
        i += 1 + static_cast<std::size_t>(extra);
    }
    return out;
}

std::string fromWindows1252(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t cp = (byte >= 0x80 && byte < 0xA0) ? upperControlRange[byte - 0x80] : byte;
        appendUtf8(out, cp == 0 ? U'?' : cp);
    }
    return out;
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
