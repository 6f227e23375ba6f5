#pragma once
// The game window on Linux: SDL's video subsystem, the window and its event
// pump, all on the presenter thread (platform/backends/desktop_kit/presenter_thread.hpp). It
// turns SDL's events into the seam's and copies the changed rows of the frame
// buffer to the window surface (on Wayland, to a buffer of WaylandBuffers).
// The one SDL call other threads make is SDL_PushEvent (wake), which SDL
// allows from any thread.

#include "platform/backends/desktop_kit/presenter_thread.hpp"

#include <memory>
#include <string>

namespace schlingo::platform::sdl {

// Presenter thread: starts SDL's video; nothing, and why in `failure`, when
// it cannot start.
std::unique_ptr<NativeWindow> makeWindow(Display* display, std::string& failure);

} // namespace schlingo::platform::sdl
