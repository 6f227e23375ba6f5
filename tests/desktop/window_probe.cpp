// A real window on the desktop back end of this build: opens a screen, draws a
// known picture and reports on stdout, one line per change, what the game side
// reads: "down N" / "up N" (isKeyDown by scan code), "key B [B2]" (readKey
// bytes), "mouse STATUS X Y BUTTONS WHEEL" (readMouse). Typing "t" sets a
// title with Windows-1252 letters, "i" the program icon. Ends when "q" is typed or after the given
// number of seconds.
//
//   window_probe [--reopen] [--seconds N]

#include "platform/machine/display.hpp"
#include "platform/seam/backend.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace schlingo::platform;

namespace {

// One whole line at a time, flushed: a pipe to the test script is fully
// buffered on Windows whatever setvbuf asks for.
template <typename... Args> void say(const char* format, Args... args) {
    std::printf(format, args...);
    std::fflush(stdout);
}

void drawPicture(Screen& screen) {
    screen.lockScreen();
    screen.fillBox(100, 100, 199, 199, 0xFF0000);
    screen.fillBox(300, 100, 399, 199, 0x00FF00);
    screen.fillBox(500, 100, 599, 199, 0x0000FF);
    screen.setTextCursor(1, 1);
    screen.printText("Probe", Ending::None);
    screen.unlockScreen();
}

} // namespace

int main(int argc, char** argv) {
    bool reopen = false;
    double seconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reopen") == 0)
            reopen = true;
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
    }

    auto backend = makeBackend();
    Display display(*backend);
    Screen& screen = display.screen;
    Input& input = display.input;
    screen.setWindowTitle("Schlingo Probe");
    if (reopen) {
        // The first window goes; keys and title stay, the buttons start afresh.
        screen.openScreen(400, 400, 32, 1, 0);
        screen.fillBox(0, 0, 399, 399, 0xFFFFFF);
    }
    screen.openScreen(940, 320, 32, 1, 0);
    drawPicture(screen);
    say("ready %llu\n", static_cast<unsigned long long>(screen.screenWindowHandle()));

    std::array<int, 128> down{};
    MouseState last;
    last.status = -2; // report the first reading
    const double end = backend->timerSeconds() + seconds;
    bool quit = false;
    while (!quit && backend->timerSeconds() < end) {
        input.beginPass();
        for (int code = 0; code < 128; ++code) {
            const int now = input.isKeyDown(code);
            if (now != down[static_cast<std::size_t>(code)]) {
                down[static_cast<std::size_t>(code)] = now;
                say("%s %d\n", now ? "down" : "up", code);
            }
        }
        const std::string key = input.readKey();
        if (!key.empty()) {
            std::string line = "key";
            for (unsigned char byte : key) {
                line += ' ';
                line += std::to_string(byte);
            }
            say("%s\n", line.c_str());
            quit = key == "q";
            if (key == "i")
                backend->setProgramIcon();
            if (key == "t")
                screen.setWindowTitle("Schlingo Probe \xE4\xF6\xFC \x80");
        }
        const MouseState m = input.readMouse();
        if (m.status != last.status || m.x != last.x || m.y != last.y ||
            m.buttons != last.buttons || m.wheel != last.wheel) {
            say("mouse %d %d %d %d %d\n", m.status, m.x, m.y, m.buttons, m.wheel);
            last = m;
        }
        input.sleepFor(1);
    }
    say("bye\n");
    return 0;
}
