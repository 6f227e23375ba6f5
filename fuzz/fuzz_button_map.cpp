// readButtonMap on arbitrary contents of "Button2.galgen", then clicks. A held
// left button tests every rectangle within 32 calls; the letters it chooses
// must be exactly those whose rectangle holds the point, ñ and the umlauts
// only with the special letters on, never the 32nd rectangle.

#include "fuzz_files.hpp"
#include "gamefiles/button_map.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "state/program.hpp"

#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

using namespace schlingo;

std::bitset<32> hitsOf(const ButtonMap& map, std::int64_t x, std::int64_t y, bool special) {
    std::bitset<32> hits;
    for (int i = 0; i < 31; ++i) {
        if (i >= 26 && !special)
            continue;
        if (map.buttonLeft[i] <= x && x <= map.buttonRight[i] && map.buttonTop[i] <= y &&
            y <= map.buttonBottom[i])
            hits.set(static_cast<std::size_t>(i + 1));
    }
    return hits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::WorkDirectory work;
    fuzz::writeFile("Button2.galgen", data, size);

    platform::ScriptedBackend backend;
    Program program(backend);
    backend.attach(program.display);
    program.options.specialLetters = size > 0 && (data[0] & 1);
    readButtonMap(program);
    const ButtonMap& map = program.buttons;

    // Every click looks for the file, so only a few points per input: a corner
    // of two rectangles the input picks, and a point just outside one of them.
    const std::size_t pick = size > 1 ? data[1] : 0;
    const int a = static_cast<int>(pick % 32), b = static_cast<int>(pick / 32 % 32);
    for (auto [x, y] : {std::pair<std::int64_t, std::int64_t>{map.buttonLeft[a], map.buttonTop[a]},
                        {map.buttonRight[b], map.buttonBottom[b]},
                        {std::int64_t{map.buttonLeft[a]} - 1, map.buttonTop[a]}}) {
        if (x < INT32_MIN || x > INT32_MAX)
            continue;
        std::bitset<32> chosen;
        for (int pass = 0; pass < 32; ++pass) {
            const int letter = clickedLetter(program, static_cast<int>(x), static_cast<int>(y), 1);
            if (letter < 0 || letter > 31)
                std::abort();
            if (letter > 0)
                chosen.set(static_cast<std::size_t>(letter));
        }
        if (chosen != hitsOf(map, x, y, program.options.specialLetters == 1))
            std::abort();
        // Other buttons choose nothing.
        if (clickedLetter(program, static_cast<int>(x), static_cast<int>(y), 3) != 0 ||
            clickedLetter(program, static_cast<int>(x), static_cast<int>(y), 0) != 0)
            std::abort();
    }
    return 0;
}
