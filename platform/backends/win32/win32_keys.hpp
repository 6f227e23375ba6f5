#pragma once
// The game window's keyboard and mouse messages as the game's events: plain
// functions over a message's parameters, so that a table can test them
// without a window. The window procedure calls them on the presenter thread.

#include "platform/seam/input_event.hpp"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <optional>
#include <vector>

namespace schlingo::platform::win32 {

// The keys without a character, by virtual-key code; nothing for the rest.
std::optional<NamedKey> namedKey(WPARAM virtualKey);

// The held buttons of a mouse message's wParam: bit 0 left, 1 right,
// 2 middle, 3 and 4 the extra buttons.
int buttonMask(WPARAM wParam);

// Whether a press's GetMessageExtraInfo marks it as a touch screen's or a pen's.
bool touchPress(LPARAM extraInfo);

// What held modifiers a named key is typed with (GetKeyState).
struct Modifiers {
    bool shift = false, ctrl = false;
};

// Appends the events of WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP:
// the key down or up by its set-1 scan code (bits 16-23, the extended bit
// 24 folded away), and for WM_KEYDOWN of a named key its code with the
// repeat count (bits 0-15). A message without a scan code (one a program
// posted) gets it from `scanOfVirtualKey` (MapVirtualKeyW).
void appendKeyMessage(UINT message, WPARAM wParam, LPARAM lParam, Modifiers held,
                      UINT (*scanOfVirtualKey)(UINT), std::vector<InputEvent>& batch);

// Appends the event of WM_CHAR: the UTF-16 unit typed with its repeat count.
// The first half of a character beyond the first plane types '?'; its
// second half nothing.
void appendCharMessage(WPARAM wParam, LPARAM lParam, std::vector<InputEvent>& batch);

} // namespace schlingo::platform::win32
