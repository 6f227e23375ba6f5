#include "platform/machine/text_encoding.hpp"

#include "platform/machine/text_codec.hpp"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

namespace schlingo::platform {
namespace {

constexpr char32_t replacement = 0xFFFD;
constexpr char32_t byteOrderMark = 0xFEFF;
constexpr char endOfText = '\x1A'; // ends a file for the item reader

// One step of UTF-8: the code point and how many bytes it took, or, for
// bytes that are no character, the length of the broken part (a lead byte
// with the continuation bytes that fit it, or one stray byte).
struct Utf8Step {
    std::optional<char32_t> codePoint;
    std::size_t length;
};

Utf8Step utf8Step(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t cp = 0;
    // The second byte's range rules out overlong forms, surrogates and code
    // points beyond U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {std::nullopt, 1};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= bytes.size()) {
            return {std::nullopt, k};
        }
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if (next < low || next > high) {
            return {std::nullopt, k};
        }
        low = 0x80;
        high = 0xBF;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    return {cp, length};
}

// Windows-1252 letters that editors may store as a base letter followed by
// a combining accent (decomposed, as some Mac programs save).
struct Composition {
    char base;
    char16_t accent;
    unsigned char letter;
};
constexpr Composition compositions[] = {
    {'A', 0x300, 0xC0}, {'A', 0x301, 0xC1}, {'A', 0x302, 0xC2}, {'A', 0x303, 0xC3},
    {'A', 0x308, 0xC4}, {'A', 0x30A, 0xC5}, {'C', 0x327, 0xC7}, {'E', 0x300, 0xC8},
    {'E', 0x301, 0xC9}, {'E', 0x302, 0xCA}, {'E', 0x308, 0xCB}, {'I', 0x300, 0xCC},
    {'I', 0x301, 0xCD}, {'I', 0x302, 0xCE}, {'I', 0x308, 0xCF}, {'N', 0x303, 0xD1},
    {'O', 0x300, 0xD2}, {'O', 0x301, 0xD3}, {'O', 0x302, 0xD4}, {'O', 0x303, 0xD5},
    {'O', 0x308, 0xD6}, {'U', 0x300, 0xD9}, {'U', 0x301, 0xDA}, {'U', 0x302, 0xDB},
    {'U', 0x308, 0xDC}, {'Y', 0x301, 0xDD},
};

std::optional<unsigned char> composed(char base, char32_t accent) {
    const bool small = base >= 'a' && base <= 'z';
    const char capital = small ? static_cast<char>(base - 'a' + 'A') : base;
    for (const Composition& c : compositions) {
        if (c.base == capital && c.accent == accent) {
            // The small letters lie 0x20 above their capitals.
            return static_cast<unsigned char>(small ? c.letter + 0x20 : c.letter);
        }
    }
    if (accent == 0x30C && (capital == 'S' || capital == 'Z')) { // Š š Ž ž
        return static_cast<unsigned char>((capital == 'S' ? 0x8A : 0x8E) + (small ? 0x10 : 0));
    }
    if (accent == 0x308 && capital == 'Y') { // Ÿ ÿ
        return static_cast<unsigned char>(small ? 0xFF : 0x9F);
    }
    return std::nullopt;
}

// Builds the Windows-1252 text of a converted file, code point by code point.
class Converter {
public:
    explicit Converter(DecodedText& out) : out_(out) {}

    void add(char32_t cp) {
        if (cp == byteOrderMark) {
            return; // files joined end to end carry one at each seam
        }
        if (cp >= 0x300 && cp <= 0x36F && letterAt_ == out_.text.size()) {
            if (const auto letter = composed(out_.text.back(), cp)) {
                out_.text.back() = static_cast<char>(*letter);
                letterAt_ = std::string::npos;
                return;
            }
        }
        const auto byte = codePointToCp1252(cp);
        if (!byte || isUnassignedCp1252(*byte)) {
            out_.text += static_cast<char>(foreignMarker);
            out_.foreign.push_back(cp);
            return;
        }
        out_.text += static_cast<char>(*byte);
        const bool asciiLetter = (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
        letterAt_ = asciiLetter ? out_.text.size() : std::string::npos;
    }

private:
    DecodedText& out_;
    std::size_t letterAt_ = std::string::npos; // text size just after an ASCII letter
};

void convertUtf8(std::string_view bytes, DecodedText& out) {
    Converter converter(out);
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Step step = utf8Step(bytes, i);
        converter.add(step.codePoint.value_or(replacement));
        i += step.length;
    }
}

void convertUtf16(std::string_view bytes, bool bigEndian, DecodedText& out) {
    Converter converter(out);
    auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t next = unitAt(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                converter.add(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        converter.add(unit >= 0xD800 && unit <= 0xDFFF ? replacement : unit);
    }
    if (i < bytes.size()) {
        converter.add(replacement); // half a code unit at the end
    }
}

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

} // namespace

bool isUnassignedCp1252(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

DecodedText decodeText(std::string file) {
    const std::string_view bytes = file;
    DecodedText out;
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        out.encoding = TextEncoding::Utf8WithBom;
        convertUtf8(bytes.substr(3), out);
        return out;
    }
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        out.encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        convertUtf16(bytes.substr(2), bigEndian, out);
        return out;
    }
    // The reader never sees what follows a byte 26, and in UTF-8 that byte
    // is never part of another character.
    const std::string_view read = bytes.substr(0, bytes.find(endOfText));
    for (std::size_t i = 0; i < read.size();) {
        // Most of any list is ASCII: eight such bytes at a time.
        std::uint64_t eight = 0;
        if (i + 8 <= read.size() &&
            (std::memcpy(&eight, read.data() + i, 8), (eight & 0x8080808080808080u) == 0)) {
            i += 8;
            continue;
        }
        const Utf8Step step = utf8Step(read, i);
        if (!step.codePoint) {
            if (out.utf8Errors++ == 0) {
                out.firstUtf8Error = i;
            }
        } else if (step.length > 1) {
            ++out.utf8Sequences;
        }
        i += step.length;
    }
    if (out.utf8Errors == 0 && out.utf8Sequences > 0) {
        out.encoding = TextEncoding::Utf8;
        out.utf8Sequences = 0;
        convertUtf8(read, out);
        if (read.size() < bytes.size()) {
            out.text += endOfText;
        }
        return out;
    }
    out.text = std::move(file); // Windows-1252 as it is: no copy of a large list
    return out;
}

} // namespace schlingo::platform
