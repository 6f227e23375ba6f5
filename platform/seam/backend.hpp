#pragma once
// The seam between the portable program and a desktop. Everything a back end
// (Win32, Linux, scripted) does for the game goes through this header, and
// nothing else in the program touches a window, a toolkit or the process.
//
// Threads: the "game thread" runs all program logic (start window, guessing
// loop, files, message boxes). A back end may run one "presenter thread" for the
// graphics window. The presenter reaches the portable frame buffer and input
// state only through the functions marked "presenter thread" in screen.hpp and
// input.hpp, and only while it holds Display::lock.

#include <cstdint>
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

class Backend {
public:
    virtual ~Backend() = default;

    // Game thread. Display's constructor hands itself over: the presenter feeds
    // its input and shows its frame buffer. Display's destructor calls detach,
    // which closes the window and stops the presenter before the state goes.
    virtual void attach(Display& display) { (void)display; }
    virtual void detach() {}

    // Game thread, without Display::lock held (the presenter needs it while the
    // window is made); blocks until the new window exists and is shown. Destroys an
    // open graphics window first. The new window starts black: the frame buffer
    // it shows is the one openScreen puts in place after this returns, never the
    // previous window's. The client area is exactly width x height game
    // pixels times the back end's whole scale factor (1 unless the player or
    // the desktop asks for more), centred on the desktop, with title bar,
    // system menu, minimise and maximise buttons, the default icon, brought to
    // the foreground. Maximised, the picture is shown at the largest whole
    // factor that fits, centred on black. title is Windows-1252.
    virtual void openWindow(int width, int height, const std::string& title) = 0;

    // Game thread; does not block. Shows the Windows-1252 title on the open
    // window at once; no window: nothing.
    virtual void setWindowTitle(const std::string& title) = 0;

    // Game thread; does not block. Native handle of the graphics window, 0 when
    // none is open.
    virtual std::uintptr_t windowHandle() = 0;

    // Game thread; does not block. Gives the open graphics window the program's
    // icon ("MY_ICON") as its small icon. A later window has the default icon.
    virtual void setProgramIcon() = 0;

    // Game thread; blocks about ms milliseconds (ms >= 0).
    virtual void sleepMilliseconds(int ms) = 0;

    // Game thread, without Display::lock held; called once at the start of
    // every readMouse and every wait step of sleepFor. Real back ends do nothing
    // here (their presenter runs on its own); the scripted back end runs one
    // presenter pass.
    virtual void pollFromGameThread() = 0;

    // Any thread; does not block. True when a presenter thread of its own feeds
    // the input from the window's events as they come: the game's waits for
    // input (Input::waitForInput, sleepFor) then block until the input changes.
    // False (the default) when the input is fed on the game thread by
    // pollFromGameThread, where a blocking wait could never end.
    virtual bool presenterFeedsInput() const { return false; }

    // Game thread, without Display::lock held. For a back end without a
    // presenter thread of its own (the browser), whose window events are
    // handled on the game thread only while it waits: blocks until the next
    // window event has been fed to the input or `milliseconds` have passed
    // (-1: no limit), then returns true. The input's waits (Input::waitForInput,
    // sleepFor where presenterFeedsInput) call it in place of their condition
    // variable and look again after every return. Back ends with a presenter
    // thread return false at once (the default): the input waits on its
    // condition variable, which that thread notifies.
    virtual bool awaitWindowEvent(int milliseconds) {
        (void)milliseconds;
        return false;
    }

    // Game thread, without Display::lock held; does not block. The frame buffer
    // has changed rows the window does not show yet: the presenter, which
    // otherwise sleeps until a window event, shows them as soon as it can.
    // Called once per change from "all shown" to "rows to show".
    virtual void wakePresenter() {}

    // Any thread; does not block. Seconds of a monotonic counter, with fractions.
    virtual double timerSeconds() = 0;

    // Game thread; does not block. The local date and time now.
    virtual LocalTime localTime() = 0;

    // Game thread; does not block and changes nothing on the screen. The game
    // says what its picture now shows; the back end passes it on to assistive
    // technology when the game next waits, after the picture (several before
    // one wait: their texts in order, the last board). Desktops ignore it.
    virtual void announce(const Announcement& announcement) { (void)announcement; }

    // Game thread; blocks until the player answers.
    virtual MessageAnswer showMessage(const MessageBox& box) = 0;

    // Game thread; blocks until the start window is destroyed (play button or
    // close box). Creates the native window and the controls that `window`
    // describes, feeds clicks to it and asks it what to do. Does not return when
    // the player confirms "Beenden": the process ends inside.
    virtual void runStartWindow(StartWindow& window) = 0;

    // Game thread; does not return. Ends the process with this exit code.
    [[noreturn]] virtual void exitProcess(int code) = 0;
};

// The desktop back end of this build (platform/linux or platform/win32).
// Game thread, once, first thing in main: it prepares the toolkits (on Linux
// XInitThreads before anything else touches X) and starts no window yet.
std::unique_ptr<Backend> makeDesktopBackend();

} // namespace schlingo::platform
