// Key to pixels, seen from outside the program: for each letter, sends the
// key press with XTest and times the first DAMAGE event of the given window;
// then releases the key and lets the window settle before the next one.
// Letters of COUNTER (misses) are held down until the tries counter inside the
// rectangle X,Y,W,H of the window is drawn again, and that time is printed too:
// the game must redraw it while the key is still held. Auto-repeat is off
// while it runs, so a held key sends one press.
//
//   schlingo_key_timer WINDOW_ID LETTERS [COUNTER X,Y,W,H]
//
// WINDOW_ID as xwininfo prints it (0x...). The window, or one inside it, must
// have the keyboard focus. Prints one "key_ms VALUE" line per letter and one
// "counter_ms VALUE" per counter letter, then "median VALUE worst VALUE";
// exits 1 when a key drew nothing within a second, or a held miss left the
// counter as it was.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int damageBase = 0;

struct Area {
    int x = 0, y = 0, width = 0, height = 0;
};

bool overlaps(const XRectangle& r, const Area& a) {
    return r.x < a.x + a.width && a.x < r.x + r.width && r.y < a.y + a.height &&
           a.y < r.y + r.height;
}

// True when a damage event (inside `area`, when one is given) arrived before
// the deadline. Every event is acknowledged, so the next change reports again.
// `inArea`, when given, tells whether the event found lay inside `counter`.
bool waitForDamage(Display* display, Damage damage, Clock::time_point deadline,
                   const Area* area = nullptr, const Area* counter = nullptr,
                   bool* inArea = nullptr) {
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageBase + XDamageNotify) {
                XDamageSubtract(display, damage, None, None);
                XFlush(display);
                const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
                if (area != nullptr && !overlaps(notify.area, *area))
                    continue;
                if (inArea != nullptr)
                    *inArea = counter != nullptr && overlaps(notify.area, *counter);
                return true;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()) + 1);
    }
}

// Counts the damage events until the window has been quiet for quietMs.
int settle(Display* display, Damage damage, int quietMs) {
    int events = 0;
    while (waitForDamage(display, damage, Clock::now() + std::chrono::milliseconds(quietMs)))
        ++events;
    return events;
}

bool focusInside(Display* display, Window window) {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    while (focus != None && focus != PointerRoot) {
        if (focus == window)
            return true;
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, focus, &root, &parent, &children, &count) == 0)
            return false;
        if (children != nullptr)
            XFree(children);
        if (parent == root)
            return false;
        focus = parent;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: schlingo_key_timer WINDOW_ID LETTERS [COUNTER X,Y,W,H]\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const std::string letters = argv[2];
    const std::string counterLetters = argc == 5 ? argv[3] : "";
    Area counter;
    if (argc == 5 && std::sscanf(argv[4], "%d,%d,%d,%d", &counter.x, &counter.y, &counter.width,
                                 &counter.height) != 4) {
        std::fprintf(stderr, "the counter's rectangle is X,Y,W,H\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    int errorBase = 0, major = 0, minor = 0, ignored = 0;
    if (!XDamageQueryExtension(display, &damageBase, &errorBase) ||
        !XTestQueryExtension(display, &ignored, &ignored, &major, &minor)) {
        std::fprintf(stderr, "the X server lacks DAMAGE or XTEST\n");
        return 2;
    }
    if (!focusInside(display, window)) {
        std::fprintf(stderr, "window 0x%lx does not have the keyboard focus\n", window);
        return 2;
    }
    // Raw rectangles: each event tells where it was drawn.
    const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
    // The player's auto-repeat comes back however the run ends.
    struct RepeatOff {
        Display* display;
        bool wasOn;
        ~RepeatOff() {
            if (wasOn) {
                XAutoRepeatOn(display);
                XSync(display, False);
            }
        }
    };
    XKeyboardState keyboard{};
    XGetKeyboardControl(display, &keyboard);
    const RepeatOff repeatOff{display, keyboard.global_auto_repeat == AutoRepeatModeOn};
    XAutoRepeatOff(display);
    XSync(display, False);
    // A window that draws on its own would time its own ticks, not the keys.
    const int idle = settle(display, damage, 300) == 0 ? 0 : settle(display, damage, 1000);
    if (idle > 0)
        std::fprintf(stderr, "warning: %d damage events in a second without a key\n", idle);

    std::vector<double> times;
    for (const char letter : letters) {
        const KeyCode code =
            XKeysymToKeycode(display, XStringToKeysym(std::string(1, letter).c_str()));
        if (code == 0) {
            std::fprintf(stderr, "no key for \"%c\"\n", letter);
            return 2;
        }
        const auto sent = Clock::now();
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XFlush(display);
        bool counterFirst = false;
        const bool drawn = waitForDamage(display, damage, sent + std::chrono::seconds(1), nullptr,
                                         &counter, &counterFirst);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        bool counted = true;
        double counterMs = ms;
        // The field and the counter may come in one picture.
        if (drawn && !counterFirst && counterLetters.find(letter) != std::string::npos) {
            counted = waitForDamage(display, damage, sent + std::chrono::seconds(1), &counter);
            counterMs = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        }
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XFlush(display);
        if (!drawn) {
            std::fprintf(stderr, "\"%c\" drew nothing within a second\n", letter);
            return 1;
        }
        if (!counted) {
            std::fprintf(stderr, "\"%c\" held a second: the tries counter stayed\n", letter);
            return 1;
        }
        std::printf("key_ms %.2f\n", ms);
        if (counterLetters.find(letter) != std::string::npos)
            std::printf("counter_ms %.2f\n", counterMs);
        times.push_back(ms);
        // The rest of the letter's drawing and the release, before the next.
        settle(display, damage, 150);
    }
    XDamageDestroy(display, damage);
    if (times.empty())
        return 2;
    std::sort(times.begin(), times.end());
    std::printf("median %.2f worst %.2f\n", times[(times.size() - 1) / 2], times.back());
    return 0;
}
