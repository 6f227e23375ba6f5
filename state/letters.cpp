#include "state/letters.hpp"

#include <cstring>

namespace schlingo {

// Scan codes are German key positions (set 1): y sits on 44, z on 21.
const Letter letters[32] = {
    {"", 0},     {"a", 30},   {"b", 48},   {"c", 46},   {"d", 32}, {"e", 18}, {"f", 33},
    {"g", 34},   {"h", 35},   {"i", 23},   {"j", 36},   {"k", 37}, {"l", 38}, {"m", 50},
    {"n", 49},   {"o", 24},   {"p", 25},   {"q", 16},   {"r", 19}, {"s", 31}, {"t", 20},
    {"u", 22},   {"v", 47},   {"w", 17},   {"x", 45},   {"y", 44}, {"z", 21}, {"\xE4", 0},
    {"\xF6", 0}, {"\xFC", 0}, {"\xDF", 0}, {"\xF1", 0},
};

bool isSpecialLetter(unsigned char c) {
    return c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xDF || c == 0xF1;
}

bool isAlwaysShown(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return true;
    }
    // 0xA7 is §.
    return c != 0 && std::strchr(" -_.:,;#'<>+*?!$%&/()=@\xA7", c) != nullptr;
}

} // namespace schlingo
