#pragma once
// Keyboard translation for the SDL window: physical keys to scan code set 1,
// key-down events to buffer codes, typed UTF-8 text to code page 437 bytes.
// Pure functions but textPosts (mod); the presenter thread calls them.

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

// What a key-down event posts to the key buffer, when it posts anything
// itself: control characters (Esc, Enter, Backspace, Tab, Ctrl+letter) and
// keys without a character (255 + 256 x BIOS code). Printable characters
// come as text events instead. With Alt held nothing is posted.
std::optional<std::uint32_t> keyDownCode(const SDL_Keysym& key);

// Whether a text event posts its characters, by the modifiers of the key that
// typed it: Alt makes system keys, which post nothing, and Ctrl alone types
// only control characters, which keyDownCode posts. AltGr characters post,
// with Ctrl too. SDL reports AltGr as right Alt; rightAltIsAltGr tells
// whether the layout makes that key AltGr or plain Alt.
bool textPosts(Uint16 mod, bool rightAltIsAltGr);
// The same, asking the keyboard layout about the right Alt key when it is held.
// Presenter thread.
bool textPosts(Uint16 mod);

// The key codes of a text event: each character converted to Windows-1252
// and then to code page 437, in order.
std::vector<std::uint32_t> textCodes(const char* utf8);

} // namespace schlingo::platform::sdl
