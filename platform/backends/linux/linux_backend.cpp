// The Linux desktop: SDL2 for the game window (presenter thread), GTK 3 for the
// start window and the message boxes (game thread).

#include "platform/backends/desktop_kit/presenter_thread.hpp"
#include "platform/backends/linux/gtk_dialogs.hpp"
#include "platform/backends/linux/sdl_window.hpp"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace schlingo::platform {

namespace {

class LinuxBackend final : public ThreadedBackend {
public:
    LinuxBackend() : ThreadedBackend(sdl::makeWindow) {}

    MessageAnswer showMessage(const MessageBox& box) override { return gtk::showMessage(box); }
    void runStartWindow(StartWindow& window) override { gtk::runStartWindow(window, *this); }

    [[noreturn]] void exitProcess(int code) override {
        // The presenter still runs: no static destructors behind its back.
        std::fflush(nullptr);
        std::_Exit(code);
    }
};

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::unique_ptr<Backend> makeBackend() {
    // GTK (game thread) and SDL (presenter thread) both talk to X.
    XInitThreads();
    if (!gtk::initialise()) {
        // Without a display every window of the game would fail; say so once
        // instead of letting the toolkit abort, and touch no file. GTK tries
        // a Wayland display first, unless told to use X.
        std::string_view name = environment("WAYLAND_DISPLAY");
        if (name.empty() || environment("GDK_BACKEND").starts_with("x11"))
            name = environment("DISPLAY");
        if (name.empty())
            std::fputs("Schlingo braucht eine grafische Oberfl\u00e4che, aber DISPLAY ist nicht "
                       "gesetzt.\n",
                       stderr);
        else
            std::fprintf(stderr,
                         "Schlingo braucht eine grafische Oberfl\u00e4che, kann aber die Anzeige "
                         "\u201e%.*s\u201c nicht \u00f6ffnen.\n",
                         static_cast<int>(name.size()), name.data());
        std::exit(1);
    }
    return std::make_unique<LinuxBackend>();
}

} // namespace schlingo::platform
