// The Windows desktop: user32 and gdi32. The game window runs on its own
// presenter thread; the start window and the message boxes on the game thread.

#include "platform/backends/desktop_kit/presenter_thread.hpp"
#include "platform/backends/win32/dialogs_win32.hpp"
#include "platform/backends/win32/game_window.hpp"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <cstdio>

namespace schlingo::platform {

namespace {

class Win32Backend final : public ThreadedBackend {
public:
    Win32Backend() : ThreadedBackend(win32::makeGameWindow) {}

    MessageAnswer showMessage(const MessageBox& box) override { return win32::showMessage(box); }
    void runStartWindow(StartWindow& window) override { win32::runStartWindow(window, *this); }

    [[noreturn]] void exitProcess(int code) override {
        std::fflush(nullptr);
        ExitProcess(static_cast<UINT>(code));
    }
};

} // namespace

std::unique_ptr<Backend> makeBackend() {
    return std::make_unique<Win32Backend>();
}

} // namespace schlingo::platform
