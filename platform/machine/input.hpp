#pragma once
// Keyboard and pointer of the graphics window: key state by scan code (set 1),
// the buffer of typed keys, sleeping, and the pointer. The presenter thread
// feeds it from window events; the game thread reads it. Both sides hold
// Display::lock while they touch the state below. The game-thread calls take
// that lock themselves, so they must not be made inside lockScreen.

#include "platform/seam/backend.hpp"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace schlingo::platform {

struct MouseState {
    int x = -1, y = -1, wheel = -1, buttons = -1, confined = -1;
    int status = 1; // 0 valid, 1 not available
};

// Keys without a character; their buffer code is 255 + 256 x the PC BIOS
// extended code, which depends on Shift and Ctrl.
enum class NamedKey {
    Up,
    Down,
    Left,
    Right,
    Insert,
    Delete,
    Home,
    End,
    PageUp,
    PageDown,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12
};
// The BIOS extended code of a named key, 0 for none (F10 and Alt posts nothing).
int biosExtendedCode(NamedKey key, bool shift, bool ctrl);

inline constexpr std::uint32_t closeRequestCode = 255 + 256 * 107;

class Input {
public:
    explicit Input(Backend& backend, std::mutex& displayLock);

    // --- game thread ---
    int isKeyDown(int scanCode); // -1 down, 0 up
    std::string readKey();       // "", one byte, or the two bytes 255 and the code
    // -1: until a key is typed; 100 ms and more: ended early by a typed key;
    // shorter: not ended by keys. Where the presenter feeds the input
    // (Backend::presenterFeedsInput) the key waits block on the input instead
    // of looking every 50 ms.
    void sleepFor(int milliseconds);
    // Also notes the input that the game's pass starts from.
    MouseState readMouse();
    // The end of a polling pass. A pass that changed the game's state (took a
    // guess, switched the mode, drew a new counter) returns at once: the next
    // pass reads that state, so it must follow now, not at the next key. A
    // pass that changed nothing and starts from the same input as the one
    // before it (key table, key buffer, pointer, activation) decides and draws
    // the same, so once `freePasses` such passes in a row have run this blocks
    // until the input changes. Where the input is fed on the game thread
    // (scripted) nothing can change during a wait: it sleeps 1 ms when there
    // are no free passes and returns.
    void waitForInput(int freePasses, bool passChangedState = false);

    // --- presenter thread, Display::lock held ---
    // A physical key went down or up; scanCode is set 1 with the extended prefix
    // folded away (0..127), `extended` tells whether the prefix was there. The
    // table shows a code down while the key or its extended twin is held. A
    // press is latched: even when its release comes before the next refresh,
    // the table shows the key down until a whole pass that started after the
    // press (readMouse) has looked at it (isKeyDown), so no tap is lost, not
    // even to a refresh in the middle of a pass.
    void keyEvent(int scanCode, bool down, bool extended = false);
    // After a batch of window events (and, where the presenter feeds the
    // input, at the start of each game pass): the table the game sees becomes
    // what is held now plus the latched presses. Not refreshed while inactive.
    void refreshKeyTable();
    // Post a typed key: a code page 437 byte (< 256) or 255 + 256 x extended
    // code, repeat times (auto-repeat).
    void postKey(std::uint32_t code, int repeat = 1);
    void postCloseRequest() { postKey(closeRequestCode); }
    // Activation changed: every key goes up.
    void setActive(bool active);
    // Pointer moved to client (x, y); inside is false once it left the client area.
    // While a button is held the window keeps the pointer: positions outside
    // are clamped to the client area and still reported.
    void pointerMoved(int x, int y, bool inside);
    void setButtons(int mask);              // bit 0 left, 1 right, 2 middle, 3 and 4 extra
    void buttonChanged(int bit, bool down); // one button of the mask
    void wheelMoved(int notches);           // + away from the user
    // A new screen of width x height was opened: buttons and wheel back to 0,
    // the key buffer kept. Activation and the pointer's position come from the
    // new window's own events.
    void screenOpened(int width, int height);

    bool active() const { return active_; } // Display::lock held

private:
    // Display::lock held.
    MouseState mouseNow() const;
    void changed(); // something a pass reads changed: wake a waiting game thread
    template <typename Change> void changePointer(Change change);
    // Display::lock held through `guard`: blocks until done() or the deadline
    // (none when null); true when done. Waits on inputChanged_, or awaits the
    // window's events where the back end has no presenter thread.
    template <typename Done>
    bool waitUntil(std::unique_lock<std::mutex>& guard,
                   const std::chrono::steady_clock::time_point* deadline, Done done);

    Backend& backend_;
    std::mutex& lock_;
    std::condition_variable inputChanged_; // used with Display::lock; changes_ moved on
    // All guarded by Display::lock.
    std::array<bool, 128> table_{};              // what isKeyDown reports
    std::array<bool, 256> held_{};               // physical state from events; + 128: extended twin
    std::array<bool, 128> latched_{};            // pressed, not yet seen by the game
    std::array<bool, 128> latchShown_{};         // the latch was in the table last refresh
    std::array<bool, 128> latchSeen_{};          // a pass started after the press looked at it
    std::array<std::uint64_t, 128> latchPass_{}; // passes_ when the press came
    std::uint64_t passes_ = 0;                   // game passes started (readMouse)
    int refreshesSincePass_ = 0;                 // table refreshes since the last pass start
    std::uint64_t changes_ = 0;                  // changes of what a pass reads so far
    std::uint64_t passStart_ = 0;                // changes_ at the last readMouse
    int samePasses_ = 0;                         // passes in a row started from passStart_
    std::array<std::uint32_t, 16> buffer_{};
    int readPos_ = 0, writePos_ = 0;
    bool keyArrived_ = false;
    bool open_ = false;
    bool active_ = false;
    bool inside_ = false;  // as readMouse reports it
    bool outside_ = false; // the last movement lay outside the client area
    int width_ = 0, height_ = 0;
    int x_ = 0, y_ = 0, buttons_ = 0, wheel_ = 0;
};

} // namespace schlingo::platform
