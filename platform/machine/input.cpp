#include "platform/machine/input.hpp"

#include <algorithm>
#include <utility>

namespace schlingo::platform {

namespace {

constexpr int bufferSlots = 16;
constexpr int sleepStepMs = 50; // a key ends a long sleep before its last step of this

} // namespace

Input::Input(Door& door, std::mutex& displayLock)
    : door_(door), clock_(door.clock()), lock_(displayLock) {}

// --- game thread ---

const PassInput& Input::beginPass(int pressPasses) {
    std::unique_lock guard(lock_);
    // What came while the last pass ran, or is still with the back end (in a
    // browser the page's events run only when the program yields), unless the
    // last pass ended waiting for just that.
    if (!std::exchange(passWaited_, false))
        door_.await(guard, door_.deliveries(), clock_.timerSeconds());
    samePasses_ = changes_ == passStart_ ? samePasses_ + 1 : 0;
    passStart_ = changes_;
    // Every key is up while another window is active.
    for (std::size_t i = 0; i < latched_.size(); ++i)
        pass_.keys[i] = open_ && active_ && (held_[i] || held_[i + 128] || latched_[i]);
    if (active_)
        latched_.fill(false);
    pass_.mouse = mouseNow();
    if (pressed_ != 0 && open_ && active_) {
        if (pressPasses_ < 0)
            pressPasses_ = pressPasses;
        if ((pass_.mouse.buttons & pressed_) != pressed_ || pass_.mouse.status != 0) {
            // Let go already: the pass still sees the press where it was made.
            pass_.mouse = {pressX_, pressY_, wheel_, buttons_ | pressed_, 0, 0};
        }
        if (--pressPasses_ <= 0)
            pressed_ = 0;
    }
    return pass_;
}

void Input::endPass(bool changedState, int freePasses) {
    std::unique_lock guard(lock_);
    if (changedState || samePasses_ + 1 < freePasses)
        return;
    // A pass reads one typed key: while more wait, the next pass follows.
    const std::uint64_t before = door_.deliveries();
    waitUntil(guard, noDeadline,
              [this] { return changes_ != passStart_ || readPos_ != writePos_; });
    passWaited_ = door_.deliveries() != before;
}

int Input::isKeyDown(int scanCode) const {
    if (scanCode < 0 || scanCode > 127)
        return 0;
    return pass_.keys[static_cast<std::size_t>(scanCode)] ? -1 : 0;
}

std::string Input::readKey() {
    std::lock_guard guard(lock_);
    keyArrived_ = false;
    if (readPos_ == writePos_)
        return {};
    std::uint32_t code = buffer_[static_cast<std::size_t>(readPos_)];
    readPos_ = (readPos_ + 1) % bufferSlots;
    // The buffer is input a pass reads: the next pass begins from another one.
    changed();
    if (code < 256)
        return std::string(1, static_cast<char>(code));
    return {static_cast<char>(255), static_cast<char>((code >> 8) & 0xFF)};
}

void Input::sleepFor(int milliseconds) {
    if (milliseconds == 0 || milliseconds < -1)
        return;
    std::unique_lock guard(lock_);
    const auto arrived = [this] { return keyArrived_; };
    const double start = clock_.timerSeconds();
    // Keys end the wait: -1 at the first key, longer sleeps at a key before
    // their last 50 ms step.
    if (milliseconds == -1 || milliseconds >= 100) {
        const double until = milliseconds == -1 ? noDeadline
                                                : start + (milliseconds - sleepStepMs - 1) /
                                                              sleepStepMs * sleepStepMs / 1000.0;
        if (waitUntil(guard, until, arrived)) {
            keyArrived_ = false;
            return;
        }
    }
    waitUntil(guard, start + milliseconds / 1000.0, [] { return false; });
}

bool Input::closeAfterMessage() {
    std::lock_guard guard(lock_);
    bool closed = false;
    for (; readPos_ != writePos_; readPos_ = (readPos_ + 1) % bufferSlots)
        closed = closed || buffer_[static_cast<std::size_t>(readPos_)] == closeRequestCode;
    latched_.fill(false);
    pressed_ = 0;
    keyArrived_ = false;
    changed();
    return closed;
}

template <typename Done>
bool Input::waitUntil(std::unique_lock<std::mutex>& guard, double deadline, Done done) {
    while (!done()) {
        if (clock_.timerSeconds() >= deadline)
            return false;
        door_.await(guard, door_.deliveries(), deadline);
    }
    return true;
}

// --- the door, Display::lock held ---

MouseState Input::mouseNow() const {
    MouseState state;
    if (!open_ || !active_ || !inside_)
        return state;
    state.x = x_;
    state.y = y_;
    state.wheel = wheel_;
    state.buttons = buttons_;
    state.confined = 0;
    state.status = 0;
    return state;
}

template <typename Change> void Input::changePointer(Change change) {
    const MouseState before = mouseNow();
    change();
    const MouseState after = mouseNow();
    if (after.x != before.x || after.y != before.y || after.buttons != before.buttons ||
        after.wheel != before.wheel || after.status != before.status)
        changed();
}

void Input::keyEvent(int scanCode, bool down, bool extended) {
    if (scanCode < 0 || scanCode > 127)
        return;
    const auto i = static_cast<std::size_t>(scanCode);
    bool& held = held_[extended ? i + 128 : i];
    if (held == down)
        return; // auto-repeat
    // The next pass sees what was held at a press with it: Ctrl, held while 2
    // was tapped, counts as held then even when it is up again by that pass.
    for (std::size_t j = 0; down && j < latched_.size(); ++j)
        latched_[j] = latched_[j] || held_[j] || held_[j + 128];
    held = down;
    latched_[i] = latched_[i] || down;
    changed();
}

void Input::postKey(std::uint32_t code, int repeat) {
    // A repeat count of 0 still means one key was typed; more than the ring
    // holds changes nothing.
    repeat = std::clamp(repeat, 1, bufferSlots);
    for (int n = 0; n < repeat; ++n) {
        buffer_[static_cast<std::size_t>(writePos_)] = code;
        writePos_ = (writePos_ + 1) % bufferSlots;
        if (writePos_ == readPos_)
            readPos_ = (readPos_ + 1) % bufferSlots;
    }
    keyArrived_ = true;
    changed();
}

void Input::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    if (!active) {
        // Releases now go to another window, and presses made here are not
        // for the next pass to find when the window comes back.
        held_.fill(false);
        latched_.fill(false);
        pressed_ = 0;
    }
    // A release that happened while another window had the focus never comes
    // here; a button left down would read as an endless click.
    buttons_ = 0;
    if (outside_)
        inside_ = false;
    changed();
}

void Input::pointerMoved(int x, int y, bool inside) {
    changePointer([&] {
        outside_ = !inside;
        if (!inside && buttons_ == 0) {
            inside_ = false;
            return;
        }
        inside_ = true;
        x_ = width_ > 0 ? std::clamp(x, 0, width_ - 1) : x;
        y_ = height_ > 0 ? std::clamp(y, 0, height_ - 1) : y;
    });
}

void Input::buttonChanged(int bit, bool down, bool touch) {
    if (bit < 0 || bit > 4)
        return;
    const int mask = down ? (buttons_ | (1 << bit)) : (buttons_ & ~(1 << bit));
    if (touch && mask != buttons_ && down) {
        keyArrived_ = true;
        changed();
    }
    if (down && mask != buttons_ && inside_) {
        pressed_ |= 1 << bit;
        pressX_ = x_;
        pressY_ = y_;
        pressPasses_ = -1;
    }
    changePointer([&] {
        buttons_ = mask;
        if (buttons_ == 0 && outside_)
            inside_ = false;
    });
}

void Input::wheelMoved(int notches) {
    changePointer([&] { wheel_ += notches; });
}

void Input::screenOpened(int width, int height) {
    open_ = true;
    width_ = width;
    height_ = height;
    buttons_ = 0;
    wheel_ = 0;
    // What was pressed and typed at the window before (the list, the empty
    // window behind the start window) was for that window: no guess, no Esc
    // and no close request for this one.
    latched_.fill(false);
    pressed_ = 0;
    readPos_ = writePos_;
    keyArrived_ = false;
    changed();
}

} // namespace schlingo::platform
