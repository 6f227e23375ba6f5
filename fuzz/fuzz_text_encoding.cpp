// The encoding detection and conversion on arbitrary file contents. A file
// read as Windows-1252 stays byte for byte; a converted one has one marker
// per foreign character and none of the code page's unassigned bytes besides;
// converting its text back to UTF-8 (with a byte-order mark) and decoding that
// again gives the same text, so nothing depends on how the bytes were split.

#include "platform/machine/text_codec.hpp"
#include "platform/machine/text_encoding.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace schlingo::platform;

// The text as UTF-8 again, each marker the character it stands for.
std::string backToUtf8(const DecodedText& decoded) {
    std::string out = "\xEF\xBB\xBF";
    std::size_t next = 0;
    for (const char c : decoded.text) {
        const auto byte = static_cast<unsigned char>(c);
        appendUtf8(out,
                   byte == foreignMarker ? decoded.foreign.at(next++) : cp1252ToCodePoint(byte));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedText decoded = decodeText(std::string(bytes));
    if (decoded.encoding == TextEncoding::Windows1252) {
        if (decoded.text != bytes || !decoded.foreign.empty())
            std::abort();
        return 0;
    }
    std::size_t markers = 0;
    for (const char c : decoded.text) {
        const auto byte = static_cast<unsigned char>(c);
        markers += byte == foreignMarker ? 1 : 0;
        if (byte != foreignMarker && isUnassignedCp1252(byte))
            std::abort();
    }
    if (markers != decoded.foreign.size())
        std::abort();
    for (const char32_t cp : decoded.foreign)
        if (const auto byte = codePointToCp1252(cp); byte && !isUnassignedCp1252(*byte))
            std::abort(); // a character the code page has became a marker
    const DecodedText again = decodeText(backToUtf8(decoded));
    if (again.text != decoded.text || again.foreign != decoded.foreign)
        std::abort();
    return 0;
}
