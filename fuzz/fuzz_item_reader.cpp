// The item reader on arbitrary file contents. The first byte chooses which of
// the items are number items (bit i for item i, cycling); the rest is the file.

#include "platform/machine/text_file.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace schlingo::platform;

// Plain decimal items, converted independently: wraps into 32 bits with the
// sign, -1 beyond 2^32 - 1.
void checkDecimal(std::string_view item) {
    std::size_t i = 0;
    bool negative = false;
    if (!item.empty() && (item[0] == '-' || item[0] == '+')) {
        negative = item[0] == '-';
        i = 1;
    }
    if (i == item.size() || item.size() - i > 19 ||
        item.find_first_not_of("0123456789", i) != std::string_view::npos) {
        return;
    }
    const unsigned long long value =
        std::strtoull(std::string(item.substr(i)).c_str(), nullptr, 10);
    std::int32_t expected = -1;
    if (value <= 0xFFFFFFFFull) {
        const auto bits = static_cast<std::uint32_t>(value);
        expected = static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    if (integerFromItem(item) != expected) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned kinds = data[0];
    TextFile file;
    file.openInputBytes(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    std::size_t items = 0;
    while (!file.atEnd()) {
        if ((kinds >> (items % 8)) & 1u) {
            file.readIntegerItem();
        } else {
            const std::string item = file.readTextItem();
            if (item.size() > maxTextItem) {
                std::abort();
            }
            integerFromItem(item);
            checkDecimal(item);
        }
        // Every item read before the end consumes at least one byte.
        if (++items > size) {
            std::abort();
        }
    }
    return 0;
}
