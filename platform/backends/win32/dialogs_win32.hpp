#pragma once
// user32 on the game thread: the start window ("Schlingo" class, fifteen
// "button" controls) and the message boxes, with texts converted explicitly
// from code page 1252 to UTF-16.

#include "platform/seam/backend.hpp"

// HWND as <windows.h> declares it; the header itself stays free of windows.h,
// whose MessageBox macro would rename platform::MessageBox.
struct HWND__;
typedef HWND__* HWND;

namespace schlingo::platform::win32 {

// Game thread; blocks until answered.
MessageAnswer showMessage(const MessageBox& box);
// Game thread; blocks until the start window is destroyed (start_window_win32.cpp).
void runStartWindow(StartWindow& window, Backend& backend);
// Game thread. The start window while runStartWindow shows it, else nullptr:
// the owner of a MessageBox whose owner is Owner::StartWindow.
HWND currentStartWindow();

} // namespace schlingo::platform::win32
