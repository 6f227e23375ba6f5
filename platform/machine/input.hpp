#pragma once
// Keyboard and pointer of the graphics window: key state by scan code (set 1),
// the buffer of typed keys, sleeping, and the pointer. Events come in through
// Display::deliver (the door), which calls the functions marked "door" below
// with Display::lock held; the game thread reads, and waits at the Door. The game reads the key
// table and the pointer per pass: beginPass takes what the input holds at that moment, and
// isKeyDown and readMouse answer from it until the next pass.

#include "platform/machine/door.hpp"
#include "platform/seam/backend.hpp"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace schlingo::platform {

struct MouseState {
    int x = -1, y = -1, wheel = -1, buttons = -1, confined = -1;
    int status = 1; // 0 valid, 1 not available
};

inline constexpr std::uint32_t closeRequestCode = 255 + 256 * 107;

// What one pass of the game reads.
struct PassInput {
    std::array<bool, 128> keys{}; // down: held now, or pressed since the last pass began
    MouseState mouse;
};

class Input {
public:
    Input(Door& door, std::mutex& displayLock);

    // --- game thread, Display::lock not held ---
    // Begins a pass: lets the back end deliver what is pending, then takes the
    // key table and the pointer as they are now. A press is latched until a
    // pass begins: a tap shorter than a pass is seen by exactly the one pass
    // that begins after it, a held key by every pass while it is held. A
    // pointer button pressed and let go again counts as held where it went
    // down for `pressPasses` passes from the first that sees it: a quick
    // click, a tap or an assistive tool's click is seen by as many passes as
    // the board needs to test each of its fields.
    const PassInput& beginPass(int pressPasses = 1);
    // Ends a pass. One that changed the game's state (took a guess, switched
    // the mode, drew a new counter) returns at once: the next pass reads that
    // state, so it must follow now. One that changed nothing and began from the
    // same input as the `freePasses` passes before it (key table, key buffer,
    // pointer, activation) would decide and draw the same again, so this waits
    // until something a pass reads has changed since it began, unless typed
    // keys wait to be read.
    void endPass(bool changedState, int freePasses = 0);
    int isKeyDown(int scanCode) const; // -1 down, 0 up: as the pass under way began
    MouseState readMouse() const { return pass_.mouse; } // as the pass under way began
    std::string readKey(); // "", one byte, or the two bytes 255 and the code
    // -1: until a key is typed or the screen is touched; 100 ms and more: ended
    // early by those; shorter: not ended by keys.
    void sleepFor(int milliseconds);
    // A game message was answered: keys pressed and typed at the game window
    // while it was up are forgotten, so none is guessed in a word the player
    // has not seen yet. True when the window's close request came meanwhile.
    bool closeAfterMessage();

    // --- the door, Display::lock held ---
    // scanCode is set 1 with the extended prefix folded away (0..127);
    // `extended` tells whether the prefix was there. A code counts as down
    // while the key or its extended twin is held; the keys held at a press
    // count as down for the next pass with it. Taken while inactive too: a
    // toolkit may report the first key of a new window before its activation.
    void keyEvent(int scanCode, bool down, bool extended = false);
    // A code page 437 byte (< 256) or 255 + 256 x extended code, repeat times.
    void postKey(std::uint32_t code, int repeat = 1);
    // Activation changed: every key goes up, presses before it are forgotten.
    void setActive(bool active);
    // Pointer moved to client (x, y); inside is false once it left the client
    // area. While a button is held the window keeps the pointer: positions
    // outside are clamped to the client area and still reported.
    void pointerMoved(int x, int y, bool inside);
    // One button of the mask: bit 0 left, 1 right, 2 middle, 3 and 4 extra.
    // A touch press ends a wait for a key as a typed key does (a touch screen
    // has no key for "any key"), without putting one into the buffer.
    void buttonChanged(int bit, bool down, bool touch = false);
    void wheelMoved(int notches); // + away from the user
    // A new screen of width x height was opened: buttons and wheel back to 0,
    // presses and typed keys for the old window forgotten. Activation and the
    // pointer come from the new window's own events.
    void screenOpened(int width, int height);

    bool active() const { return active_; } // Display::lock held

private:
    // Display::lock held.
    MouseState mouseNow() const;
    void changed() { ++changes_; } // something a pass reads changed
    template <typename Change> void changePointer(Change change);
    // Display::lock held through `guard`: waits at the door until done() or
    // the deadline; true when done.
    template <typename Done>
    bool waitUntil(std::unique_lock<std::mutex>& guard, double deadline, Done done);

    Door& door_;
    Clock& clock_;
    std::mutex& lock_;
    PassInput pass_;          // game thread only
    bool passWaited_ = false; // the last pass ended in a wait that got events
    // All guarded by Display::lock.
    std::array<bool, 256> held_{};    // physical state from events; + 128: extended twin
    std::array<bool, 128> latched_{}; // pressed since the last pass began
    std::uint64_t changes_ = 0;       // changes of what a pass reads so far
    std::uint64_t passStart_ = 0;     // changes_ when the last pass began
    int samePasses_ = 0;              // passes in a row begun from passStart_
    std::array<std::uint32_t, 16> buffer_{};
    int readPos_ = 0, writePos_ = 0;
    bool keyArrived_ = false;
    bool open_ = false;
    bool active_ = false;
    bool inside_ = false;  // as readMouse reports it
    bool outside_ = false; // the last movement lay outside the client area
    int width_ = 0, height_ = 0;
    int x_ = 0, y_ = 0, buttons_ = 0, wheel_ = 0;
    int pressed_ = 0;             // buttons pressed in the window, latched for the passes
    int pressX_ = 0, pressY_ = 0; // where they went down
    int pressPasses_ = -1;        // passes the latch still holds; -1: none has seen it yet
};

} // namespace schlingo::platform
