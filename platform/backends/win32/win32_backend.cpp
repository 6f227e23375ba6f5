// The Windows desktop: user32 and gdi32. The game window runs on its own
// presenter thread; the start window and the message boxes on the game thread.

#include "platform/backends/win32/dialogs_win32.hpp"
#include "platform/backends/win32/game_window.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/host.hpp"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <cstdio>

namespace schlingo::platform {

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

class Win32Backend final : public Backend {
public:
    Win32Backend()
        : sleepTimer_(CreateWaitableTimerExW(
              nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS)) {}
    ~Win32Backend() override {
        window_.stop();
        if (sleepTimer_ != nullptr)
            CloseHandle(sleepTimer_);
    }

    void attach(Display& display) override { window_.attach(&display); }
    void detach() override {
        window_.stop();
        window_.attach(nullptr);
    }

    void openWindow(int width, int height, const std::string& title) override {
        window_.open(width, height, title);
    }
    void setWindowTitle(const std::string& title) override { window_.setTitle(title); }
    std::uintptr_t windowHandle() override { return window_.handle(); }
    void setProgramIcon() override { window_.setProgramIcon(); }

    void sleepMilliseconds(int ms) override {
        if (ms <= 0)
            return;
        // Without a high-resolution timer Sleep rounds to the system tick; the
        // process never changes the tick for everyone (timeBeginPeriod).
        if (sleepTimer_ == nullptr) {
            Sleep(static_cast<DWORD>(ms));
            return;
        }
        const double until = host::monotonicSeconds() + ms / 1000.0;
        for (;;) {
            const double left = until - host::monotonicSeconds();
            if (left <= 0)
                return;
            LARGE_INTEGER due;
            due.QuadPart = -static_cast<LONGLONG>(left * 1e7 + 0.5); // 100 ns units, relative
            if (!SetWaitableTimer(sleepTimer_, &due, 0, nullptr, nullptr, FALSE)) {
                Sleep(static_cast<DWORD>(left * 1000 + 0.5));
                return;
            }
            WaitForSingleObject(sleepTimer_, INFINITE);
        }
    }

    void pollFromGameThread() override {}
    bool presenterFeedsInput() const override { return true; }
    void wakePresenter() override { window_.wake(); }
    double timerSeconds() override { return host::monotonicSeconds(); }
    LocalTime localTime() override { return host::localTimeNow(); }
    MessageAnswer showMessage(const MessageBox& box) override { return win32::showMessage(box); }
    void runStartWindow(StartWindow& window) override { win32::runStartWindow(window, *this); }

    [[noreturn]] void exitProcess(int code) override {
        std::fflush(nullptr);
        ExitProcess(static_cast<UINT>(code));
    }

private:
    win32::GameWindow window_;
    HANDLE sleepTimer_; // game thread only
};

} // namespace

std::unique_ptr<Backend> makeDesktopBackend() {
    return std::make_unique<Win32Backend>();
}

} // namespace schlingo::platform
