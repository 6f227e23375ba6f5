#pragma once
// The game window on Linux: a presenter thread that owns SDL's video
// subsystem, the window and its event pump. It sleeps until the window has
// events or the game wakes it; then it turns the events into Input calls,
// refreshes the key table and copies the changed rows of the frame buffer to
// the window surface (on Wayland, to a buffer of WaylandBuffers). The game
// thread only queues requests and wakes it; the one SDL call it makes is
// SDL_PushEvent, which SDL allows from any thread.

#include "platform/seam/display.hpp"

#include <SDL2/SDL_stdinc.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace schlingo::platform::sdl {

class SdlWindow {
public:
    static constexpr std::chrono::seconds openTimeout{20};

    SdlWindow() = default;
    ~SdlWindow() { stop(); }
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // --- game thread ---
    void attach(Display* display);
    // Destroys an open window and makes a new one; returns true once it is
    // shown. False when it could not be made or did not appear in time: then
    // failure() says why (Windows-1252, in SDL's words where SDL gave them).
    bool open(int width, int height, const std::string& cp1252Title);
    std::string failure() const;
    void setTitle(const std::string& cp1252Title); // applied by the next wake-up
    void setProgramIcon();
    // Any thread, without Display::lock held: the frame buffer has rows to show.
    void wake();
    std::uintptr_t handle() const { return handle_.load(); } // X11 window id, 0 none
    // Closes the window and ends the presenter thread.
    void stop();

    // Presenter statistics, for the benchmark and the tests.
    struct Counters {
        long long passes = 0;
        long long rowsUploaded = 0;
    };
    Counters counters() const;

private:
    struct OpenRequest {
        int width, height;
        std::string title;
    };

    void run();               // presenter thread
    bool hasRequests() const; // commandLock_ held
    void wakeLocked();        // commandLock_ held

    // Guarded by commandLock_: requests from the game thread to the presenter.
    mutable std::mutex commandLock_;
    std::condition_variable wake_; // presenter without a window waits for a request
    std::condition_variable done_; // game thread waits for an open to finish
    std::optional<OpenRequest> openRequest_;
    std::optional<std::string> titleRequest_;
    bool iconRequest_ = false;
    bool stopRequest_ = false;
    long long opensDone_ = 0;
    std::string failure_;        // of the last open
    Uint32 wakeEventType_ = 0;   // SDL event that ends the presenter's wait; 0 while SDL is down
    Display* display_ = nullptr; // set before the thread starts, read by it
    Counters counters_;

    std::thread thread_; // game thread starts and joins it
    std::atomic<std::uintptr_t> handle_{0};
};

} // namespace schlingo::platform::sdl
