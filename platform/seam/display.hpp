#pragma once
// The graphics window's shared state: the frame buffer (Screen) and the
// keyboard and pointer (Input), both guarded by one lock that the game thread
// and the back end's presenter thread share.

#include "platform/machine/input.hpp"
#include "platform/machine/screen.hpp"
#include "platform/seam/backend.hpp"

#include <mutex>

namespace schlingo::platform {

struct Display {
    explicit Display(Backend& backendToUse)
        : backend(backendToUse), screen(backendToUse, lock), input(backendToUse, lock) {
        screen.setOpenHook([this] { input.screenOpened(screen.width(), screen.height()); });
        backend.attach(*this);
    }
    ~Display() { backend.detach(); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    Backend& backend;

    // Guards the frame buffer, its dirty and changed rows, the key state table,
    // the key buffer with its flag, and the pointer state.
    std::mutex lock;
    Screen screen;
    Input input;
};

} // namespace schlingo::platform
