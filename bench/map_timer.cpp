// Starts a program and measures the time until a window of the given title
// (and client width, unless 0) is mapped and viewable on the X display; then
// ends the program again.
//
//   schlingo_map_timer TITLE WIDTH TIMEOUT_SECONDS PROGRAM [ARGS...]
//
// Prints the milliseconds; exits 1 when no such window came in time.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int ignoreErrors(Display*, XErrorEvent*) {
    return 0; // windows may vanish while they are looked at
}

bool matches(Display* display, Window window, const char* title, int width) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable || (width != 0 && attributes.width != width))
        return false;
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr)
        return false;
    const bool same = std::strcmp(name, title) == 0;
    XFree(name);
    return same;
}

// The window manager's frames sit between the root and the program's windows.
bool findWindow(Display* display, Window parent, int depth, const char* title, int width) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) == 0)
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i)
        found = matches(display, children[i], title, width) ||
                (depth > 1 && findWindow(display, children[i], depth - 1, title, width));
    if (children != nullptr)
        XFree(children);
    return found;
}

void endChild(pid_t child) {
    kill(child, SIGTERM);
    for (int i = 0; i < 40; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: schlingo_map_timer TITLE WIDTH TIMEOUT PROGRAM [ARGS...]\n");
        return 2;
    }
    const char* title = argv[1];
    const int width = std::atoi(argv[2]);
    const double timeout = std::atof(argv[3]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);

    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[4], argv + 4);
        _exit(127);
    }
    for (;;) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (findWindow(display, root, 3, title, width)) {
            std::printf("%.1f\n", elapsed * 1000.0);
            std::fflush(stdout);
            endChild(child);
            XCloseDisplay(display);
            return 0;
        }
        const bool ended = waitpid(child, nullptr, WNOHANG) == child;
        if (elapsed > timeout || ended) {
            std::fprintf(stderr, "no window \"%s\" after %.1f s\n", title, elapsed);
            if (!ended)
                endChild(child);
            XCloseDisplay(display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
