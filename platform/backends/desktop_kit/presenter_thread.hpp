#pragma once
// What the desktop back ends with a presenter thread (SDL, Win32) share: the
// thread that owns the graphics window, the game thread's requests to it
// (open with a time limit, close, title, icon, wake) and the reset of the
// input when a window goes. Each back end brings only the native part: a
// NativeWindow, made on the presenter thread.

#include "platform/seam/backend.hpp"
#include "platform/seam/host.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace schlingo::platform {

// The toolkit's side of the graphics window. Presenter thread only, but wake.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    // Makes and shows a window of width x height game pixels (none is open).
    // Returns why not (Windows-1252), empty when it is shown.
    virtual std::string open(int width, int height, const std::string& cp1252Title) = 0;
    virtual void close() = 0; // no window: nothing
    virtual void setTitle(const std::string& cp1252Title) = 0;
    virtual void setIcon() = 0;
    virtual std::uintptr_t handle() const = 0; // of the open window (X11 id, HWND), 0 none
    // Translates the window's pending events, hands them to the display's
    // door as one batch, then copies the rows to present to the window.
    // Blocks only for Display::lock.
    virtual void pump() = 0;
    // Blocks until the window has events or wake was called.
    virtual void waitForEvents() = 0;
    // Any thread; does not block. Ends a waitForEvents, now or the next one.
    virtual void wake() = 0;
};

class PresenterThread {
public:
    static constexpr std::chrono::seconds openTimeout{20};
    using Maker =
        std::function<std::unique_ptr<NativeWindow>(Display* display, std::string& failure)>;

    // `make` runs on the presenter thread, once, before any request, with the
    // display the window's events go to; it returns nothing (and says why in
    // `failure`) when the toolkit cannot start, and then every open fails
    // with that reason.
    explicit PresenterThread(Maker make) : make_(std::move(make)) {}
    ~PresenterThread() { stop(); }

    // --- game thread ---
    void attach(Display* display);
    // Destroys an open window and makes a new one; returns once it is shown
    // (empty) or why it could not be made, also when it did not appear in time.
    std::string open(int width, int height, const std::string& cp1252Title);
    void setTitle(const std::string& cp1252Title); // applied at once by the presenter
    void setIcon();
    std::uintptr_t handle() const { return handle_.load(); }
    // Closes the window and ends the presenter thread.
    void stop();
    // Any thread, without Display::lock held: the frame buffer has rows to show.
    void wake();

private:
    bool hasRequests() const; // lock_ held
    void wakeLocked();        // lock_ held
    void run();               // presenter thread

    Maker make_;
    mutable std::mutex lock_;      // guards what follows
    std::condition_variable wake_; // the presenter without a window waits for a request
    std::condition_variable done_; // the game thread waits for an open to finish
    struct OpenRequest {
        int width, height;
        std::string title;
    };
    std::optional<OpenRequest> openRequest_;
    std::optional<std::string> titleRequest_;
    bool iconRequest_ = false;
    bool stopRequest_ = false;
    long long opensDone_ = 0;
    std::string failure_;            // of the last open
    NativeWindow* native_ = nullptr; // while the presenter thread has one
    Display* display_ = nullptr;     // set before the thread starts, read by it
    std::atomic<std::uintptr_t> handle_{0};
    std::thread thread_; // the game thread starts and joins it
};

// A desktop back end whose window lives on a presenter thread; the back ends
// add the message boxes, the start window and the end of the process.
class ThreadedBackend : public Backend {
public:
    explicit ThreadedBackend(PresenterThread::Maker make) : presenter_(std::move(make)) {}

    void attach(Display& display) override;
    void detach() override;
    std::string openWindow(int width, int height, const std::string& title) override {
        return presenter_.open(width, height, title);
    }
    void setWindowTitle(const std::string& title) override { presenter_.setTitle(title); }
    std::uintptr_t windowHandle() override { return presenter_.handle(); }
    void setProgramIcon() override { presenter_.setIcon(); }
    void wakePresenter() override { presenter_.wake(); }
    // The presenter delivers; the door sleeps until it has.
    bool deliversOnItsOwn() const override { return true; }
    double timerSeconds() override { return host::monotonicSeconds(); }
    LocalTime localTime() override { return host::localTimeNow(); }

protected:
    PresenterThread presenter_;
};

} // namespace schlingo::platform
