#pragma once
// The graphics window's shared state: the frame buffer (Screen) and the
// keyboard and pointer (Input), both guarded by one lock that the game thread
// and the back end's presenter thread share, and the door through which every
// back end hands over the window's events and at which the game thread waits
// for them.

#include "platform/machine/door.hpp"
#include "platform/machine/input.hpp"
#include "platform/machine/screen.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/input_event.hpp"

#include <mutex>
#include <span>

namespace schlingo::platform {

struct Display {
    explicit Display(Backend& backendToUse);
    ~Display() { backend.detach(); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // The door. Any thread but the game thread while it draws; on the game
    // thread only inside EventSource::pumpEvents (the scripted and browser
    // back ends). Takes Display::lock (with `wait` false: only when free,
    // else returns false and takes nothing), applies the events to Input in
    // order, and wakes a game thread that waits for them. An empty batch
    // takes no lock and wakes nobody.
    bool deliver(std::span<const InputEvent> events, bool wait = true);

    Backend& backend;

    // Guards the frame buffer, its dirty and changed rows, and all of Input's
    // state but the pass under way.
    std::mutex lock;
    Door door;
    Screen screen;
    Input input;
};

} // namespace schlingo::platform
