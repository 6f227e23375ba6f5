#pragma once
// The seam between the portable program and a desktop: the interfaces a back
// end (Win32, Linux, browser, scripted) implements for the game. Nothing else
// in the program touches a window, a toolkit or the process. Interfaces only:
// what implements them lives in platform/machine (the door, the frame buffer)
// and platform/backends.
//
// Threads: the "game thread" runs all program logic (start window, guessing
// loop, files, message boxes). A back end may run one "presenter thread" for
// the graphics window. Input reaches the program only through the door,
// Display::deliver; the presenter reads the frame buffer through the
// functions marked "presenter thread" in screen.hpp, only while it holds
// Display::lock. Each function below says who calls it, on which thread, and
// whether it blocks.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace schlingo::platform {

struct Display;

struct LocalTime {
    int year = 2000, month = 1, day = 1; // month 1..12
    int hour = 0, minute = 0, second = 0;
};

// What a message box shows and which buttons it offers. Texts are Windows-1252
// with "\r\n" line breaks.
struct MessageBox {
    enum class Icon { Information, Question };
    enum class Buttons { Ok, YesNoCancel };
    enum class Owner { None, StartWindow };
    std::string text;
    std::string title = "Schlingo";
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    Owner owner = Owner::None;
    bool systemModal = true; // the game's own messages are system-modal
};

enum class MessageAnswer { Ok, Yes, No, Cancel };

// What the game's picture shows, in words, for players who cannot see it.
struct Announcement {
    std::string text; // Windows-1252, German; lines apart by "\n"
    // The letter board as the picture shows it, one character per letter
    // index 1..31: '0' free, '1' used, ' ' not in play. Empty: no board shown.
    std::string board;
};

// The start window as the program describes it; the back end builds the native
// window from it. Implemented by the program (game thread only).
class StartWindow {
public:
    enum class Kind { GroupBox, RadioButton, CheckBox, PushButton };
    struct Control {
        Kind kind;
        std::string caption;     // Windows-1252
        int x, y, width, height; // client pixels
        bool startsGroup;        // WS_GROUP: radio buttons group up to the next one
    };
    enum class Reply { KeepOpen, Destroy };

    virtual ~StartWindow() = default;
    // Window title (Windows-1252) and outer size in pixels, caption included.
    virtual std::string title() const = 0;
    virtual int outerWidth() const = 0;
    virtual int outerHeight() const = 0;
    // The controls in creation order; called once per window.
    virtual const std::vector<Control>& controls() const = 0;
    // Called once per window after the controls exist: is control i checked?
    virtual bool initiallyChecked(int index) const = 0;
    // A click on control i; nowChecked is its check state after the click.
    // May show message boxes and end the process through the back end.
    virtual Reply clicked(int index, bool nowChecked) = 0;
};

// The parts of a back end, each a seam of its own, so that a test fake
// implements only what its test touches. "Game thread": the thread that runs
// all program logic; a back end may run a "presenter thread" besides.

// A time on Clock::timerSeconds that never comes.
inline constexpr double noDeadline = std::numeric_limits<double>::infinity();

// The graphics window. Called by Screen.
class Windowing {
public:
    virtual ~Windowing() = default;

    // Screen::openScreen; game thread, without Display::lock held; blocks until
    // the new window exists and is shown, or could not be made: then returns why (Windows-1252,
    // never empty), and the caller reports it and ends (reportWindowFailure).
    // Destroys an open graphics window first. The new window starts black: the
    // frame buffer it shows is the one openScreen puts in place after this
    // returns, never the previous window's. The client area is exactly width x
    // height game pixels times the back end's whole scale factor (1 unless the
    // player or the desktop asks for more), centred on the desktop, with title
    // bar, system menu, minimise and maximise buttons, the default icon,
    // brought to the foreground. Maximised, the picture is shown at the largest
    // whole factor that fits, centred on black. title is Windows-1252.
    virtual std::string openWindow(int width, int height, const std::string& title) = 0;

    // Screen::setWindowTitle; game thread; does not block. Shows the
    // Windows-1252 title on the open window at once; no window: nothing.
    virtual void setWindowTitle(const std::string& title) = 0;

    // Screen::screenWindowHandle; game thread; does not block. Native handle
    // of the graphics window, 0 when none is open.
    virtual std::uintptr_t windowHandle() = 0;

    // Game thread (flow); does not block. Gives the open graphics window the
    // program's icon ("MY_ICON") as its small icon. A later window has the
    // default icon.
    virtual void setProgramIcon() = 0;

    // Screen, after drawing; game thread, without Display::lock held; does not
    // block. The frame buffer has rows the window does not show yet: a
    // presenter shows them as soon as it can; a back end without one at its
    // next pumpEvents. Called once per change from "all shown" to "rows to
    // show".
    virtual void wakePresenter() {}

    // The rules and the list screen, after drawing; game thread; does not
    // block and changes nothing on the screen. The game says what its picture
    // now shows; the back end passes it on to assistive technology when the
    // game next waits, after the picture (several before one wait: their
    // texts in order, the last board: at its next pumpEvents). Desktops
    // ignore it.
    virtual void announce(const Announcement& announcement) { (void)announcement; }
};

// Where the window's events come from. Called by Display and its door.
class EventSource {
public:
    virtual ~EventSource() = default;

    // Display; game thread; detach blocks until a presenter has stopped.
    // Display's constructor hands itself over: its door takes the events, its
    // frame buffer is shown. Display's destructor calls detach, which closes
    // the window and stops a presenter before the state goes.
    virtual void attach(Display& display) { (void)display; }
    virtual void detach() {}

    // The door; game thread, at each of its waits; does not block. True when
    // the back end delivers from a thread of its own (a presenter): the door
    // then sleeps until a delivery and never calls pumpEvents.
    virtual bool deliversOnItsOwn() const = 0;

    // The door, when deliversOnItsOwn is false; game thread, without
    // Display::lock held; blocks as follows. The game waits, so its picture is
    // complete: first shows the frame buffer's rows to present and passes on
    // what was announced (wakePresenter only noted them). Then hands what is
    // pending through the door and, if nothing was, blocks until a delivery
    // after the `since`-th came through or the clock reached `deadline`
    // (noDeadline: none). A deadline already past only delivers what is
    // pending. May return early; the door looks again.
    virtual void pumpEvents(std::uint64_t since, double deadline) {
        (void)since;
        (void)deadline;
    }
};

class Clock {
public:
    virtual ~Clock() = default;
    // Input (deadlines), the flow (seeding); any thread; does not block.
    // Seconds of a monotonic counter, with fractions.
    virtual double timerSeconds() = 0;
    // The statistics line; game thread; does not block. The local date and time.
    virtual LocalTime localTime() = 0;
};

// Message boxes and the start window.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The game's messages, the start window's questions, reportWindowFailure;
    // game thread; blocks until the player answers.
    virtual MessageAnswer showMessage(const MessageBox& box) = 0;
    // The flow; game thread; blocks until the start window is destroyed (play
    // button or close box). Creates the native window and the controls that `window`
    // describes, feeds clicks to it and asks it what to do. Does not return
    // when the player confirms "Beenden": the process ends inside.
    virtual void runStartWindow(StartWindow& window) = 0;
};

class Process {
public:
    virtual ~Process() = default;
    // The rules (Esc, close, a missing list), the start window ("Beenden"),
    // reportWindowFailure; game thread; does not return. Ends the process.
    [[noreturn]] virtual void exitProcess(int code) = 0;
};

class Backend : public Windowing,
                public EventSource,
                public Clock,
                public Dialogs,
                public Process {};

// Game thread; does not return. A graphics window that could not be made, the
// same on every back end: a message box and the same line on stderr saying
// "Schlingo kann das Spielfenster nicht öffnen (<reason>).", exit code 1.
// Nothing has been written by then: the game cannot be played unseen.
[[noreturn]] void reportWindowFailure(Dialogs& dialogs, Process& process,
                                      const std::string& reason);

// The back end of this build (platform/backends/linux, win32 or web). Game
// thread, once, first thing in main: it prepares the toolkits (on Linux
// XInitThreads before anything else touches X) and starts no window yet.
std::unique_ptr<Backend> makeBackend();

} // namespace schlingo::platform
