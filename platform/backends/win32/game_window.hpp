#pragma once
// The game window on Windows: created and pumped on the presenter thread
// (platform/backends/desktop_kit/presenter_thread.hpp). It sleeps until the window has
// messages or the wake event is set; the window procedure turns messages into
// the seam's events, and after each batch the changed rows of the frame buffer
// go to the window.

#include "platform/backends/desktop_kit/presenter_thread.hpp"

#include <memory>
#include <string>

namespace schlingo::platform::win32 {

// Presenter thread: registers the window class.
std::unique_ptr<NativeWindow> makeGameWindow(Display* display, std::string& failure);

} // namespace schlingo::platform::win32
