#pragma once
// GTK 3 on the game thread: the start window and the message boxes. The SDL
// game window lives on the presenter thread with its own X connection.

#include "platform/backend.hpp"

namespace schlingo::platform::gtk {

// Game thread, once, after XInitThreads and before any other GTK call.
void initialise();
// Game thread; blocks until answered. Modal, kept above the game window.
MessageAnswer showMessage(const MessageBox& box);
// Game thread; blocks until the start window is destroyed (gtk_start_window.cpp).
void runStartWindow(StartWindow& window, Backend& backend);

} // namespace schlingo::platform::gtk
