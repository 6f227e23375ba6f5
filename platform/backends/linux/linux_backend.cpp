// The Linux desktop: SDL2 for the game window (presenter thread), GTK 3 for the
// start window and the message boxes (game thread).

#include "platform/backends/linux/gtk_dialogs.hpp"
#include "platform/backends/linux/sdl_window.hpp"
#include "platform/machine/text_codec.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/host.hpp"

#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace schlingo::platform {

namespace {

class LinuxBackend final : public Backend {
public:
    void attach(Display& display) override { window_.attach(&display); }
    void detach() override {
        window_.stop();
        window_.attach(nullptr);
    }

    void openWindow(int width, int height, const std::string& title) override {
        if (window_.open(width, height, title))
            return;
        // Without its window the game could only wait, unseen: it says why
        // and ends, and writes nothing on the way.
        MessageBox box;
        box.text = "Schlingo kann das Spielfenster nicht \366ffnen (" + window_.failure() + ").";
        std::fprintf(stderr, "%s\n", cp1252ToUtf8(box.text).c_str());
        showMessage(box);
        exitProcess(1);
    }
    void setWindowTitle(const std::string& title) override { window_.setTitle(title); }
    std::uintptr_t windowHandle() override { return window_.handle(); }
    void setProgramIcon() override { window_.setProgramIcon(); }

    void sleepMilliseconds(int ms) override {
        if (ms <= 0)
            return;
        // An absolute deadline, so a signal cannot stretch or cut the sleep.
        timespec until{};
        clock_gettime(CLOCK_MONOTONIC, &until);
        until.tv_sec += ms / 1000;
        until.tv_nsec += static_cast<long>(ms % 1000) * 1'000'000L;
        if (until.tv_nsec >= 1'000'000'000L) {
            until.tv_sec += 1;
            until.tv_nsec -= 1'000'000'000L;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }

    void pollFromGameThread() override {}
    bool presenterFeedsInput() const override { return true; }
    void wakePresenter() override { window_.wake(); }
    double timerSeconds() override { return host::monotonicSeconds(); }
    LocalTime localTime() override { return host::localTimeNow(); }
    MessageAnswer showMessage(const MessageBox& box) override { return gtk::showMessage(box); }
    void runStartWindow(StartWindow& window) override { gtk::runStartWindow(window, *this); }

    [[noreturn]] void exitProcess(int code) override {
        // The presenter still runs: no static destructors behind its back.
        std::fflush(nullptr);
        std::_Exit(code);
    }

private:
    sdl::SdlWindow window_;
};

} // namespace

std::unique_ptr<Backend> makeDesktopBackend() {
    // GTK (game thread) and SDL (presenter thread) both talk to X.
    XInitThreads();
    if (!gtk::initialise()) {
        // Without a display every window of the game would fail; say so once
        // instead of letting the toolkit abort, and touch no file.
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
            std::fputs("Schlingo braucht eine grafische Oberfl\u00e4che, aber DISPLAY ist nicht "
                       "gesetzt.\n",
                       stderr);
        else
            std::fprintf(stderr,
                         "Schlingo braucht eine grafische Oberfl\u00e4che, kann aber die Anzeige "
                         "\u201e%s\u201c nicht \u00f6ffnen.\n",
                         name);
        std::exit(1);
    }
    return std::make_unique<LinuxBackend>();
}

} // namespace schlingo::platform
