#pragma once
// The game window on Windows: a presenter thread that creates the window and
// runs its message loop. It sleeps until the window has messages or the game
// sets its wake event; window messages become Input calls as they arrive, and
// after each batch it refreshes the key table and copies the changed rows of
// the frame buffer to the window. The game thread only queues requests.

#include "platform/seam/display.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace schlingo::platform::win32 {

class GameWindow {
public:
    GameWindow();
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // --- game thread ---
    void attach(Display* display);
    // Destroys an open window and makes a new one; returns once it is shown
    // (or could not be made: then there is no window).
    void open(int width, int height, const std::string& cp1252Title);
    void setTitle(const std::string& cp1252Title); // applied by the presenter at once
    void setProgramIcon();
    // Any thread, without Display::lock held: the frame buffer has rows to show.
    void wake();
    std::uintptr_t handle() const { return handle_.load(); } // HWND, 0 none
    // Closes the window and ends the presenter thread.
    void stop();

    struct Counters {
        long long passes = 0;
        long long rowsUploaded = 0;
    };
    Counters counters() const;

    // --- presenter thread (the window procedure) ---
    struct Requests {
        std::optional<std::string> title;
        bool icon = false;
    };
    Requests takeRequests(); // title and icon only
    void countPass(int rowsUploaded);

private:
    struct OpenRequest {
        int width, height;
        std::string title;
    };

    void run(); // presenter thread

    // Guarded by commandLock_: requests from the game thread to the presenter.
    mutable std::mutex commandLock_;
    std::condition_variable done_; // game thread waits for an open to finish
    std::optional<OpenRequest> openRequest_;
    std::optional<std::string> titleRequest_;
    bool iconRequest_ = false;
    bool stopRequest_ = false;
    long long opensDone_ = 0;
    Display* display_ = nullptr;
    Counters counters_;

    void* wakeEvent_ = nullptr; // auto-reset event the presenter waits on
    std::thread thread_;        // game thread starts and joins it
    std::atomic<std::uintptr_t> handle_{0};
};

} // namespace schlingo::platform::win32
