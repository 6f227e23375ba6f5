#pragma once
// A back end without window or display, for tests: it plays a script of
// presenter passes (batches of the window's events) through the door into
// the real portable input, presents the frame buffer, answers message boxes
// as told, clicks the start window's controls as told, keeps a clock that
// only its waits move, and records what the program showed and how it ended.
//
// Each pumpEvents presents the frame and plays one presenter pass: the start
// of every pass of the guessing loop, and every look of a wait that finds
// nothing new (so a pass that changed nothing takes passes until one changes
// what it reads). A wait with a deadline moves the clock to it. When the
// program waits after the script has run out, ScriptExhausted is thrown, so a
// test can never hang; after idleUntilTheEnd such a wait blocks until another
// thread delivers.

#include "platform/machine/display.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/input_event.hpp"

#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace schlingo::platform {

// Thrown by exitProcess: the process would end here with this code.
struct ScriptedExit {
    int code;
};

struct ScriptExhausted : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One start window's session: the controls clicked in order, then the window
// is closed with its close box unless a click destroyed it already.
struct StartWindowScript {
    std::vector<int> clicks; // control indexes, 0-based in creation order
};

// What a start window looked like when the program opened it and when it went.
struct StartWindowRecord {
    std::string title;
    int outerWidth = 0, outerHeight = 0;
    std::vector<StartWindow::Control> controls;
    std::vector<bool> initiallyChecked;
    std::vector<bool> finallyChecked;
};

struct MessageRecord {
    MessageBox box;
    MessageAnswer answer;
};

struct WindowRecord {
    int width = 0, height = 0;
    std::string title;             // as passed to openWindow
    bool framePresentable = false; // a presenter could have shown the frame in place then
};

class ScriptedBackend : public Backend {
public:
    ScriptedBackend() = default;

    // The display whose input the passes feed and whose rows they present.
    void attach(Display& display) override { display_ = &display; }

    // --- building the script: each call appends presenter passes ---
    ScriptedBackend& pass(std::vector<InputEvent> events = {});
    ScriptedBackend& idle(int passes);
    // After the last pass, empty passes go on until the program ends: for a
    // test whose end comes from another thread.
    ScriptedBackend& idleUntilTheEnd();
    ScriptedBackend& press(int scanCode); // down for one pass, then up
    ScriptedBackend& pressTogether(std::vector<int> scanCodes);
    ScriptedBackend& tap(int scanCode);                // down and up within one pass
    ScriptedBackend& typeKey(std::uint32_t codePoint); // a typed character, e.g. 27 for Esc
    ScriptedBackend& close();                          // the close button
    ScriptedBackend& moveTo(int x, int y);
    // Moves there and holds the left button for `passes` passes, then releases.
    ScriptedBackend& click(int x, int y, int passes = 33);
    // A finger on the screen at (x, y) for `passes` passes, then lifted.
    ScriptedBackend& touch(int x, int y, int passes = 1);
    // The next window cannot be made, for this reason (Windows-1252).
    ScriptedBackend& failWindow(std::string reason);
    ScriptedBackend& startWindow(StartWindowScript session);
    ScriptedBackend& answer(MessageAnswer next); // for the next message box
    int pendingPasses() const { return static_cast<int>(passes_.size()); }

    // --- clock ---
    void setTimerSeconds(double seconds) { timer_ = seconds; }
    void setLocalTime(const LocalTime& time) { localTime_ = time; }

    // --- what happened ---
    const std::vector<MessageRecord>& messages() const { return messages_; }
    std::vector<std::string> messageTexts() const;
    const std::vector<WindowRecord>& windowsOpened() const { return windows_; }
    const std::vector<StartWindowRecord>& startWindows() const { return startWindows_; }
    const std::string& currentTitle() const { return title_; }
    bool windowOpen() const { return handle_ != 0; }
    std::uintptr_t iconSetOn() const { return iconWindow_; } // window handle, 0 = never
    std::optional<int> exitCode() const { return exitCode_; }
    int presenterPasses() const { return presenterPasses_; }
    int presenterWakes() const { return wakes_; } // wakePresenter calls
    long long rowsPresented() const { return rowsPresented_; }
    // Writes the frame buffer as a binary PPM picture.
    bool dumpFrame(const std::string& path) const;

    // --- Backend ---
    std::string openWindow(int width, int height, const std::string& title) override;
    void setWindowTitle(const std::string& title) override;
    std::uintptr_t windowHandle() override { return handle_; }
    void setProgramIcon() override { iconWindow_ = handle_; }
    bool deliversOnItsOwn() const override { return false; }
    void pumpEvents(std::uint64_t since, double deadline) override;
    void wakePresenter() override { ++wakes_; }
    double timerSeconds() override { return timer_; }
    LocalTime localTime() override { return localTime_; }
    MessageAnswer showMessage(const MessageBox& box) override;
    void runStartWindow(StartWindow& window) override;
    [[noreturn]] void exitProcess(int code) override;

protected:
    Display* display_ = nullptr;

private:
    void present();
    void play(const std::vector<InputEvent>& events);

    std::deque<std::vector<InputEvent>> passes_;
    bool idleAtTheEnd_ = false;
    std::deque<StartWindowScript> startWindowScripts_;
    std::deque<MessageAnswer> answers_;

    std::string windowFailure_;
    double timer_ = 1000.0;
    LocalTime localTime_{2026, 12, 7, 5, 16, 50};
    std::vector<MessageRecord> messages_;
    std::vector<WindowRecord> windows_;
    std::vector<StartWindowRecord> startWindows_;
    std::string title_;
    std::uintptr_t handle_ = 0, nextHandle_ = 0x100, iconWindow_ = 0;
    std::optional<int> exitCode_;
    int presenterPasses_ = 0;
    int wakes_ = 0;
    long long rowsPresented_ = 0;
};

} // namespace schlingo::platform
