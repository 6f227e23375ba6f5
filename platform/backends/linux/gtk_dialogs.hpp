#pragma once
// GTK 3 on the game thread: the start window and the message boxes. The SDL
// game window lives on the presenter thread with its own X connection.

#include "platform/seam/backend.hpp"

typedef struct _GtkWindow GtkWindow; // as <gtk/gtk.h> declares it

namespace schlingo::platform::gtk {

// Game thread, once, after XInitThreads and before any other GTK call. False
// when there is no display to show dialogs on.
bool initialise();
// Game thread; blocks until answered. Modal, kept above the game window; owned
// by the current start window when box.owner says so.
MessageAnswer showMessage(const MessageBox& box);
// Game thread; blocks until the start window is destroyed (gtk_start_window.cpp).
void runStartWindow(StartWindow& window, Backend& backend);
// Game thread, before the window is shown: a dialog-type window whose frame
// offers moving and closing only (title bar, system menu, close box).
void offerCloseOnly(GtkWindow* window);
// Game thread. The start window while runStartWindow shows it, else nullptr:
// the transient parent of a MessageBox whose owner is Owner::StartWindow.
GtkWindow* currentStartWindow();

} // namespace schlingo::platform::gtk
