#pragma once
// Keyboard translation for the SDL window: physical keys to scan code set 1,
// key-down events to typed control characters and named keys, typed UTF-8 text
// to code points. Pure functions but textPosts (mod); the presenter thread
// calls them.

#include "platform/seam/input_event.hpp"

#include <SDL2/SDL_keyboard.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace schlingo::platform::sdl {

// Set-1 scan code (extended prefix folded away, 1..127) of a physical key, or
// 0 for keys the PC keyboard does not have.
int toSet1(SDL_Scancode scancode);
// Whether the key sends the extended prefix on a PC keyboard: it is the twin
// of the key with the same folded code (right Ctrl of left Ctrl, keypad Enter
// of Enter, the cursor block of the keypad's digits).
bool isExtended(SDL_Scancode scancode);

// What a key-down event types, when it types anything itself: control
// characters (Esc, Enter, Backspace, Tab, Ctrl+letter) and keys without a
// character. Printable characters come as text events instead. With Alt held
// nothing is typed.
std::optional<InputEvent> keyDownEvent(const SDL_Keysym& key);

// Whether a text event posts its characters, by the modifiers of the key that
// typed it: Alt makes system keys, which post nothing, and Ctrl alone types
// only control characters, which keyDownCode posts. AltGr characters post,
// with Ctrl too. SDL reports AltGr as right Alt; rightAltIsAltGr tells
// whether the layout makes that key AltGr or plain Alt.
bool textPosts(Uint16 mod, bool rightAltIsAltGr);
// The same, asking the keyboard layout about the right Alt key when it is held.
// Presenter thread.
bool textPosts(Uint16 mod);

// The characters of a text event, in order; a broken UTF-8 sequence is one
// U+FFFD. Control characters are left out: key-down events type them.
std::vector<char32_t> textCodePoints(const char* utf8);

} // namespace schlingo::platform::sdl
