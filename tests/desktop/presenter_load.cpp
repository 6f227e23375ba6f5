// The presenter and the game thread at full tilt, for ThreadSanitizer: the game
// draws in locked groups and alone, polls keys, typed keys and the pointer,
// changes the title and re-opens the screen, while the presenter shows rows
// and takes the window's events (the test script sends keys and pointer moves).
//
//   presenter_load [--seconds N]   prints "done N passes" and exits 0

#include "platform/machine/display.hpp"
#include "platform/seam/backend.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace schlingo::platform;

int main(int argc, char** argv) {
    double seconds = 4;
    if (argc == 3 && std::strcmp(argv[1], "--seconds") == 0)
        seconds = std::atof(argv[2]);

    auto backend = makeBackend();
    Display display(*backend);
    Screen& screen = display.screen;
    Input& input = display.input;
    screen.setWindowTitle("Schlingo Load");
    screen.openScreen(940, 320, 32, 1, 0);
    std::printf("ready\n");
    std::fflush(stdout);

    const double end = backend->timerSeconds() + seconds;
    long long passes = 0;
    int keysDown = 0, typed = 0;
    while (backend->timerSeconds() < end) {
        ++passes;
        const MouseState mouse = input.beginPass().mouse;
        screen.lockScreen();
        screen.fillBox(0, 0, 939, 100, static_cast<Pixel>(passes * 2654435761u));
        screen.setTextCursor(39, 58);
        screen.printNumber(static_cast<std::int32_t>(passes % 1000), Ending::None);
        screen.unlockScreen();
        screen.plotPixel(static_cast<double>(passes % 940), 200, 0xFFFFFF);
        for (int code = 0; code < 128; ++code)
            keysDown += input.isKeyDown(code) != 0;
        if (!input.readKey().empty())
            ++typed;
        if (passes % 500 == 0)
            screen.setWindowTitle("Schlingo Load " + std::to_string(passes));
        if (passes % 1500 == 0) {
            // A new window: the old one goes while the presenter is running.
            screen.openScreen(400, 400, 32, 1, 0);
            screen.openScreen(940, 320, 32, 1, 0);
        }
        if (mouse.buttons != 1)
            input.sleepFor(1);
    }
    std::printf("done %lld passes, %d key readings down, %d keys typed\n", passes, keysDown, typed);
    return 0;
}
