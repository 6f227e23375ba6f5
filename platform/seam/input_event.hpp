#pragma once
// The one event type every back end turns its window's events into. A back end
// translates and hands a batch of them to Display::deliver
// (platform/machine/display.hpp), the only way input reaches the program; what a typed character or
// a named key puts into the key buffer is worked out there, once, not by the back ends.

#include <cstdint>

namespace schlingo::platform {

// Keys without a character; their buffer code is 255 + 256 x the PC BIOS
// extended code, which depends on Shift and Ctrl.
// clang-format off
enum class NamedKey { Up, Down, Left, Right, Insert, Delete, Home, End, PageUp, PageDown,
                      F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12 };
// clang-format on

struct InputEvent {
    enum class Kind : std::uint8_t {
        KeyDown, // code: set-1 scan code with the extended prefix folded away (0..127)
        KeyUp,   // the same
        Typed,   // code: the character typed, a code point (control characters too)
        Named,   // code: a NamedKey; shift and ctrl as held
        Pointer, // x, y: game pixels; inside: over the picture
        Button,  // code: bit 0 left, 1 right, 2 middle, 3 and 4 extra; down; touch
        Wheel,   // code: notches, + away from the player
        Close,   // the window's close request
        Focus    // inside: the window became the active one (false: it stopped being it)
    };
    Kind kind = Kind::Close;
    int code = 0;
    int x = 0, y = 0;
    bool down = false;
    bool inside = false;
    bool extended = false; // KeyDown, KeyUp: the key sent the extended prefix
    bool shift = false, ctrl = false;
    bool touch = false; // Button: pressed on a touch screen
    int repeat = 1;     // Typed, Named: auto-repeat count

    static InputEvent key(int scanCode, bool down, bool extended = false) {
        return {.kind = down ? Kind::KeyDown : Kind::KeyUp,
                .code = scanCode,
                .down = down,
                .extended = extended};
    }
    static InputEvent typed(char32_t codePoint, int repeat = 1) {
        return {.kind = Kind::Typed, .code = static_cast<int>(codePoint), .repeat = repeat};
    }
    static InputEvent named(NamedKey key, bool shift, bool ctrl, int repeat = 1) {
        return {.kind = Kind::Named,
                .code = static_cast<int>(key),
                .shift = shift,
                .ctrl = ctrl,
                .repeat = repeat};
    }
    static InputEvent pointer(int x, int y, bool inside) {
        return {.kind = Kind::Pointer, .x = x, .y = y, .inside = inside};
    }
    static InputEvent button(int bit, bool down, bool touch = false) {
        return {.kind = Kind::Button, .code = bit, .down = down, .touch = touch};
    }
    static InputEvent wheel(int notches) { return {.kind = Kind::Wheel, .code = notches}; }
    static InputEvent close() { return {.kind = Kind::Close}; }
    static InputEvent focus(bool gained) { return {.kind = Kind::Focus, .inside = gained}; }
};

// Both for the door (Display::deliver) and the back ends' tests; any thread,
// they do not block. What a typed character puts into the key buffer: its
// Windows-1252 byte in code page 437; '?' for a character either lacks.
// Control characters stay.
std::uint32_t typedKeyCode(char32_t codePoint);
// The BIOS extended code of a named key, 0 for none (F10 posts nothing).
int biosExtendedCode(NamedKey key, bool shift, bool ctrl);

} // namespace schlingo::platform
