#pragma once
// user32 on the game thread: the start window ("Schlingo" class, fifteen
// "button" controls) and the message boxes, with texts converted explicitly
// from code page 1252 to UTF-16.

#include "platform/backend.hpp"

namespace schlingo::platform::win32 {

// Game thread; blocks until answered.
MessageAnswer showMessage(const MessageBox& box);
// Game thread; blocks until the start window is destroyed (start_window_win32.cpp).
void runStartWindow(StartWindow& window, Backend& backend);

} // namespace schlingo::platform::win32
