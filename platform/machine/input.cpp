#include "platform/machine/input.hpp"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace schlingo::platform {

namespace {

constexpr int bufferSlots = 16;
constexpr int sleepStepMs = 50; // how often a key may end a long sleep
// A tap stays latched at most this many key-table refreshes while no game pass
// starts (the game waits for a key or shows a box, say).
constexpr int maxUnseenPasses = 50;

struct BiosCodes {
    int plain, shift, ctrl;
};

// PC BIOS extended codes, indexed like NamedKey. F10 is a system key and posts
// nothing, so it has no codes here.
constexpr BiosCodes biosTable[] = {
    {72, 72, 141},   // Up
    {80, 80, 145},   // Down
    {75, 75, 115},   // Left
    {77, 77, 116},   // Right
    {82, 82, 146},   // Insert
    {83, 83, 147},   // Delete
    {71, 71, 119},   // Home
    {79, 79, 117},   // End
    {73, 73, 132},   // PageUp
    {81, 81, 118},   // PageDown
    {59, 84, 94},    // F1
    {60, 85, 95},    // F2
    {61, 86, 96},    // F3
    {62, 87, 97},    // F4
    {63, 88, 98},    // F5
    {64, 89, 99},    // F6
    {65, 90, 100},   // F7
    {66, 91, 101},   // F8
    {67, 92, 102},   // F9
    {0, 0, 0},       // F10
    {133, 135, 137}, // F11
    {134, 136, 138}, // F12
};
static_assert(std::size(biosTable) == static_cast<std::size_t>(NamedKey::F12) + 1);

} // namespace

int biosExtendedCode(NamedKey key, bool shift, bool ctrl) {
    auto index = static_cast<std::size_t>(key);
    if (index >= std::size(biosTable))
        return 0;
    const BiosCodes& codes = biosTable[index];
    // Ctrl wins over Shift, as on the PC keyboard.
    if (ctrl)
        return codes.ctrl;
    return shift ? codes.shift : codes.plain;
}

Input::Input(Backend& backend, std::mutex& displayLock) : backend_(backend), lock_(displayLock) {}

// --- game thread ---

int Input::isKeyDown(int scanCode) {
    if (scanCode < 0 || scanCode > 127)
        return 0;
    std::lock_guard guard(lock_);
    const auto i = static_cast<std::size_t>(scanCode);
    // Only a pass that started after the tap counts as having seen it: a pass
    // under way may have tested this key before the tap came.
    if (table_[i] && latched_[i] && passes_ > latchPass_[i])
        latchSeen_[i] = true;
    return open_ && table_[i] ? -1 : 0;
}

std::string Input::readKey() {
    std::lock_guard guard(lock_);
    keyArrived_ = false;
    if (readPos_ == writePos_)
        return {};
    std::uint32_t code = buffer_[static_cast<std::size_t>(readPos_)];
    readPos_ = (readPos_ + 1) % bufferSlots;
    // The buffer is input a pass reads: the next pass starts from another one.
    changed();
    if (code < 256)
        return std::string(1, static_cast<char>(code));
    return {static_cast<char>(255), static_cast<char>((code >> 8) & 0xFF)};
}

void Input::sleepFor(int milliseconds) {
    if (milliseconds == 0 || milliseconds < -1)
        return;
    if (milliseconds > 0 && milliseconds < 100) {
        backend_.sleepMilliseconds(milliseconds);
        return;
    }
    // Keys end the wait: -1 at the first key, longer sleeps at a key before
    // their last 50 ms check.
    const int checkedMs = milliseconds == -1 ? -1 : (milliseconds - 51) / sleepStepMs * sleepStepMs;
    if (backend_.presenterFeedsInput()) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock guard(lock_);
        const auto arrived = [this] { return keyArrived_; };
        const auto deadline = start + std::chrono::milliseconds(checkedMs);
        const bool ended = waitUntil(guard, checkedMs < 0 ? nullptr : &deadline, arrived);
        if (ended) {
            keyArrived_ = false;
            return;
        }
        guard.unlock();
        const auto rest =
            start + std::chrono::milliseconds(milliseconds) - std::chrono::steady_clock::now();
        backend_.sleepMilliseconds(
            static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(rest).count()));
        return;
    }
    // The input is fed on this thread, one presenter pass per look.
    auto takeArrived = [this] {
        std::lock_guard guard(lock_);
        bool arrived = keyArrived_;
        keyArrived_ = false;
        return arrived;
    };
    if (milliseconds == -1) {
        for (;;) {
            backend_.pollFromGameThread();
            if (takeArrived())
                return;
            backend_.sleepMilliseconds(sleepStepMs);
        }
    }
    int remaining = milliseconds;
    while (remaining > sleepStepMs) {
        backend_.pollFromGameThread();
        if (takeArrived())
            return;
        backend_.sleepMilliseconds(sleepStepMs);
        remaining -= sleepStepMs;
    }
    backend_.sleepMilliseconds(remaining);
}

MouseState Input::readMouse() {
    backend_.pollFromGameThread();
    std::lock_guard guard(lock_);
    // A pass starts from a fresh table: taps the last pass has seen are let
    // go here, since a presenter that sleeps until the next window event
    // would not.
    if (backend_.presenterFeedsInput())
        refreshKeyTable();
    ++passes_;
    refreshesSincePass_ = 0;
    samePasses_ = changes_ == passStart_ ? samePasses_ + 1 : 0;
    passStart_ = changes_;
    return mouseNow();
}

void Input::waitForInput(int freePasses, bool passChangedState) {
    if (!backend_.presenterFeedsInput()) {
        if (freePasses <= 0)
            backend_.sleepMilliseconds(1);
        return;
    }
    if (passChangedState)
        return;
    std::unique_lock guard(lock_);
    if (samePasses_ + 1 < freePasses)
        return;
    waitUntil(guard, nullptr, [this] { return changes_ != passStart_; });
}

template <typename Done>
bool Input::waitUntil(std::unique_lock<std::mutex>& guard,
                      const std::chrono::steady_clock::time_point* deadline, Done done) {
    while (!done()) {
        int milliseconds = -1;
        if (deadline != nullptr) {
            const auto left = *deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero())
                return false;
            milliseconds =
                static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
        }
        // Without a presenter thread the events are fed while this one waits.
        guard.unlock();
        const bool awaited = backend_.awaitWindowEvent(milliseconds);
        guard.lock();
        if (!awaited) {
            if (deadline != nullptr)
                return inputChanged_.wait_until(guard, *deadline, done);
            inputChanged_.wait(guard, done);
            return true;
        }
    }
    return true;
}

// --- presenter thread, Display::lock held ---

void Input::changed() {
    ++changes_;
    inputChanged_.notify_all();
}

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
    // Taken while inactive too: a toolkit may report the first key of a new
    // window before its activation.
    if (scanCode < 0 || scanCode > 127)
        return;
    auto i = static_cast<std::size_t>(scanCode);
    held_[extended ? i + 128 : i] = down;
    if (down) {
        latched_[i] = true;
        latchShown_[i] = false;
        latchSeen_[i] = false;
        latchPass_[i] = passes_;
    }
}

void Input::refreshKeyTable() {
    if (!active_)
        return;
    // Latches a pass has seen go; so do all shown ones once no pass has
    // started for a long while.
    const bool expireShown = ++refreshesSincePass_ >= maxUnseenPasses;
    bool differs = false;
    for (std::size_t i = 0; i < table_.size(); ++i) {
        if (latchSeen_[i] || (expireShown && latchShown_[i])) {
            latched_[i] = false;
            latchSeen_[i] = false;
        }
        latchShown_[i] = latched_[i];
        const bool down = held_[i] || held_[i + 128] || latched_[i];
        differs = differs || down != table_[i];
        table_[i] = down;
    }
    if (expireShown)
        refreshesSincePass_ = 0;
    if (differs)
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
    table_.fill(false);
    if (!active) {
        // Releases now go to another window.
        held_.fill(false);
        latched_.fill(false);
        latchShown_.fill(false);
        latchSeen_.fill(false);
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

void Input::setButtons(int mask) {
    changePointer([&] {
        buttons_ = mask & 0x1F;
        if (buttons_ == 0 && outside_)
            inside_ = false;
    });
}

void Input::buttonChanged(int bit, bool down) {
    if (bit < 0 || bit > 4)
        return;
    int mask = down ? (buttons_ | (1 << bit)) : (buttons_ & ~(1 << bit));
    setButtons(mask);
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
    changed();
}

} // namespace schlingo::platform
