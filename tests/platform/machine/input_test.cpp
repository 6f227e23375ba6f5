#include "platform/machine/input.hpp"

#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace schlingo::platform {
namespace {

// Events that come only while the game waits, as in the browser: each
// pumpEvents runs the hook (the page's handlers) and lets the clock reach
// the deadline when nothing came.
class SteppedEvents : public EventSource, public Clock {
public:
    double now = 0;
    bool came = false;                // the hook delivered something
    std::vector<int> waits;           // milliseconds to each deadline, -1 for none
    std::function<void(int)> onAwait; // gets the wait number, from 1

    bool deliversOnItsOwn() const override { return false; }
    void pumpEvents(std::uint64_t, double deadline) override {
        waits.push_back(
            deadline == noDeadline ? -1 : static_cast<int>(std::lround((deadline - now) * 1000)));
        came = false;
        if (onAwait)
            onAwait(static_cast<int>(waits.size()));
        if (!came && deadline != noDeadline && deadline > now)
            now = deadline;
    }
    double timerSeconds() override { return now; }
    LocalTime localTime() override { return {}; }
};

class InputTest : public ::testing::Test {
protected:
    SteppedEvents events;
    std::mutex lock;
    Door door{events, events, lock};
    Input input{door, lock};

    // The door's side: a batch of changes under the lock.
    void deliver(const std::function<void()>& f) {
        std::lock_guard guard(lock);
        f();
        door.batchDelivered();
        events.came = true;
    }
    void openActive() {
        deliver([&] {
            input.screenOpened(940, 320);
            input.setActive(true);
        });
    }
    void post(std::uint32_t code) {
        deliver([&] { input.postKey(code); });
    }
    void tap(int code) {
        deliver([&] {
            input.keyEvent(code, true);
            input.keyEvent(code, false);
        });
    }
    // Whether the pass beginning now sees the key down.
    bool nextPassSees(int code) { return input.beginPass().keys[static_cast<std::size_t>(code)]; }
};

TEST_F(InputTest, KeyTableIsTakenAtEachPassOnlyWhileActive) {
    deliver([&] {
        input.screenOpened(940, 320);
        input.keyEvent(30, true);
    });
    EXPECT_FALSE(nextPassSees(30)) << "inactive window";
    deliver([&] { input.setActive(true); });
    EXPECT_TRUE(nextPassSees(30)) << "a key reported just before the activation";
    deliver([&] { input.keyEvent(30, false); });
    EXPECT_EQ(input.isKeyDown(30), -1) << "the pass under way keeps what it began with";
    EXPECT_FALSE(nextPassSees(30));
    EXPECT_EQ(input.isKeyDown(30), 0);

    // A key and its extended twin share one entry, down while either is held:
    // Ctrl, Alt/AltGr, Enter/keypad Enter, keypad digits/cursor block.
    for (int code : {29, 56, 28, 72, 83}) {
        for (bool twinFirst : {false, true}) {
            deliver([&] {
                input.keyEvent(code, true, twinFirst);
                input.keyEvent(code, true, !twinFirst);
                input.keyEvent(code, false, twinFirst);
            });
            EXPECT_TRUE(nextPassSees(code)) << code << ": the twin is still held";
            deliver([&] { input.keyEvent(code, false, !twinFirst); });
            EXPECT_FALSE(nextPassSees(code)) << code;
        }
    }
    EXPECT_EQ(input.isKeyDown(128), 0);
    EXPECT_EQ(input.isKeyDown(-1), 0);
    EXPECT_EQ(input.isKeyDown(1000), 0);
}

TEST_F(InputTest, ATapIsSeenByExactlyThePassThatBeginsAfterIt) {
    openActive();
    tap(44);
    deliver([&] { input.keyEvent(21, true); }); // Z held across passes
    EXPECT_TRUE(nextPassSees(44));
    EXPECT_TRUE(input.isKeyDown(21));
    EXPECT_FALSE(nextPassSees(44)) << "seen once, the tap is over";
    EXPECT_TRUE(input.isKeyDown(21));

    // A tap in the middle of a pass that has tested its key already.
    input.beginPass();
    EXPECT_EQ(input.isKeyDown(19), 0);
    tap(19);
    EXPECT_EQ(input.isKeyDown(19), 0);
    EXPECT_TRUE(nextPassSees(19)) << "lost to the pass under way";
    EXPECT_FALSE(nextPassSees(19));

    // Ctrl seen held by a pass, then 2 tapped and Ctrl let go before the next:
    // that pass sees the two together, as they were pressed.
    deliver([&] { input.keyEvent(29, true); });
    EXPECT_TRUE(nextPassSees(29));
    tap(3);
    deliver([&] { input.keyEvent(29, false); });
    EXPECT_TRUE(nextPassSees(3));
    EXPECT_TRUE(input.isKeyDown(29));
    EXPECT_FALSE(nextPassSees(29));

    // A tap while no pass begins (the list screen, a box) is not a guess in
    // the next screen's passes, nor one pressed in another window.
    tap(20);
    deliver([&] { input.screenOpened(940, 320); });
    EXPECT_FALSE(nextPassSees(20));
    tap(22);
    deliver([&] {
        input.setActive(false);
        input.setActive(true);
    });
    EXPECT_FALSE(nextPassSees(22));
    EXPECT_FALSE(input.isKeyDown(21)) << "released in the other window";
}

TEST_F(InputTest, NoScreenMeansNoKeysDown) {
    deliver([&] {
        input.setActive(true);
        input.keyEvent(1, true);
    });
    EXPECT_FALSE(nextPassSees(1));
}

TEST_F(InputTest, BufferKeepsTheLastFifteenKeys) {
    for (std::uint32_t c = 'a'; c < 'a' + 16; ++c)
        post(c);
    std::string read;
    for (std::string k = input.readKey(); !k.empty(); k = input.readKey())
        read += k;
    EXPECT_EQ(read, "bcdefghijklmnop");
    EXPECT_EQ(input.readKey(), "");

    // The ring keeps working after wrapping round.
    post(27);
    post(255 + 256 * 72);
    post(132);
    EXPECT_EQ(input.readKey(), "\x1b");
    EXPECT_EQ(input.readKey(), std::string("\xff\x48", 2));
    EXPECT_EQ(input.readKey(), "\x84");
    EXPECT_EQ(input.readKey(), "");
}

TEST_F(InputTest, RepeatCounts) {
    deliver([&] { input.postKey('x', 3); });
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_EQ(input.readKey(), "");

    deliver([&] { input.postKey('y', 0); });
    EXPECT_EQ(input.readKey(), "y") << "a zero repeat count still typed one key";
    EXPECT_EQ(input.readKey(), "");

    deliver([&] { input.postKey('z', 1000); });
    int count = 0;
    while (input.readKey() == "z")
        ++count;
    EXPECT_EQ(count, 15);
}

TEST_F(InputTest, ANewScreenForgetsWhatWasTypedAtTheOldWindow) {
    openActive();
    post('q');
    post(closeRequestCode);
    post(27);
    deliver([&] { input.screenOpened(400, 400); });
    EXPECT_EQ(input.readKey(), "");
    events.onAwait = [&](int n) {
        if (n == 2)
            post('n');
    };
    input.sleepFor(-1);
    EXPECT_EQ(events.waits.size(), 2u) << "no key arrived for the new screen yet";
}

TEST_F(InputTest, AfterAGameMessageOnlyItsCloseRequestIsLeft) {
    openActive();
    tap(45);
    deliver([&] {
        input.pointerMoved(10, 10, true);
        input.buttonChanged(0, true);
        input.buttonChanged(0, false);
        input.postKey(closeRequestCode);
        input.postKey(27);
    });
    EXPECT_TRUE(input.closeAfterMessage());
    events.onAwait = [&](int n) { n == 2 ? post('n') : void(); };
    input.sleepFor(-1);
    EXPECT_EQ(input.readKey() + input.readKey(), "n") << "the box's keys are gone, ended no wait";
    const PassInput& pass = input.beginPass();
    EXPECT_FALSE(pass.keys[45] || pass.mouse.buttons != 0) << "the tapped X, the click: no guess";
}

TEST_F(InputTest, SleepForeverEndsOnAKeyOrATouchAndLeavesTheBufferAsItWas) {
    events.onAwait = [&](int n) {
        if (n == 3)
            post(27);
    };
    input.sleepFor(-1);
    EXPECT_EQ(events.waits, (std::vector<int>{-1, -1, -1}));
    EXPECT_EQ(input.readKey(), "\x1b");

    // A touch screen has no key: a touch ends the wait and types nothing.
    events.waits.clear();
    events.onAwait = [&](int n) {
        if (n == 2)
            deliver([&] { input.buttonChanged(0, true, true); });
        if (n == 1)
            deliver([&] { input.buttonChanged(1, true); }); // a mouse is no key
    };
    input.sleepFor(-1);
    EXPECT_EQ(events.waits.size(), 2u);
    EXPECT_EQ(input.readKey(), "");

    // A key that arrived before the call ends the wait at once; the wait
    // clears the flag, and so does a read, so the next wait needs a new key.
    events.onAwait = nullptr;
    events.waits.clear();
    post('a');
    input.sleepFor(-1);
    EXPECT_TRUE(events.waits.empty());
    post('b');
    EXPECT_EQ(input.readKey(), "a");
    events.onAwait = [&](int n) {
        if (n == 2)
            post('c');
    };
    input.sleepFor(-1);
    EXPECT_EQ(events.waits.size(), 2u) << "'b' waited, but its flag went with the read";
}

TEST_F(InputTest, LongSleepsEndAtAKeyBeforeTheirLastStepShortOnesDoNot) {
    // Rows: the sleep, the wait on which a key comes (0: none), the time slept.
    struct Row {
        int ms, keyAt;
        double slept;
    };
    for (const Row& row : {Row{250, 0, 0.25}, Row{120, 0, 0.12}, Row{1000, 1, 0}, Row{120, 1, 0},
                           Row{120, 2, 0.12}, Row{99, 1, 0.099}, Row{1, 1, 0.001}}) {
        events.now = 0;
        events.waits.clear();
        events.onAwait = [&](int n) {
            if (n == row.keyAt)
                post('k');
        };
        input.sleepFor(row.ms);
        EXPECT_NEAR(events.now, row.slept, 1e-9) << row.ms << " ms, key at " << row.keyAt;
        input.readKey();
    }
    events.waits.clear();
    input.sleepFor(0);
    input.sleepFor(-2);
    input.sleepFor(-1000);
    EXPECT_TRUE(events.waits.empty());
}

TEST_F(InputTest, PointerUnavailableWhileInactiveOrOutside) {
    auto unavailable = [](const MouseState& m) {
        return m.x == -1 && m.y == -1 && m.wheel == -1 && m.buttons == -1 && m.confined == -1 &&
               m.status == 1;
    };
    EXPECT_TRUE(unavailable(input.beginPass().mouse)) << "no screen";
    deliver([&] {
        input.screenOpened(940, 320);
        input.pointerMoved(10, 20, true);
    });
    EXPECT_TRUE(unavailable(input.beginPass().mouse)) << "inactive";
    deliver([&] { input.setActive(true); });
    input.beginPass();
    const MouseState m = input.readMouse();
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.x, 10);
    EXPECT_EQ(m.y, 20);
    EXPECT_EQ(m.buttons, 0);
    EXPECT_EQ(m.wheel, 0);
    EXPECT_EQ(m.confined, 0);
    deliver([&] { input.pointerMoved(-5, 20, false); });
    EXPECT_EQ(input.readMouse().x, 10) << "the pass under way keeps its pointer";
    EXPECT_TRUE(unavailable(input.beginPass().mouse)) << "outside";
}

TEST_F(InputTest, ButtonsWheelAndCaptureWhileHeld) {
    openActive();
    deliver([&] {
        input.pointerMoved(100, 50, true);
        input.buttonChanged(0, true);
        input.buttonChanged(1, true);
        input.wheelMoved(1);
        input.wheelMoved(1);
        input.wheelMoved(-3);
    });
    MouseState m = input.beginPass().mouse;
    EXPECT_EQ(m.buttons, 3) << "left and right together";
    EXPECT_EQ(m.wheel, -1);

    // Held buttons keep the pointer: outside positions are clamped.
    deliver([&] {
        input.buttonChanged(1, false);
        input.pointerMoved(2000, -7, false);
    });
    m = input.beginPass().mouse;
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.x, 939);
    EXPECT_EQ(m.y, 0);
    EXPECT_EQ(m.buttons, 1);

    // Released outside: the pointer is gone.
    deliver([&] { input.buttonChanged(0, false); });
    EXPECT_EQ(input.beginPass().mouse.status, 1);
    deliver([&] {
        input.pointerMoved(5, 5, true);
        input.buttonChanged(5, true);
    });
    EXPECT_EQ(input.beginPass().mouse.buttons, 0) << "five buttons only";
}

TEST_F(InputTest, AClickLetGoWithinAPassIsSeenWhereItWentDownForThePassesAsked) {
    openActive();
    // A tap: in at (30, 220), down, up and gone again before a pass begins.
    deliver([&] {
        input.pointerMoved(30, 220, true);
        input.buttonChanged(0, true, true);
        input.buttonChanged(0, false, true);
        input.pointerMoved(-1, -1, false);
    });
    for (int pass = 1; pass <= 3; ++pass) {
        const MouseState m = input.beginPass(3).mouse;
        EXPECT_EQ(m.status, 0) << "pass " << pass;
        EXPECT_EQ(m.buttons, 1) << "pass " << pass;
        EXPECT_EQ(m.x, 30);
        EXPECT_EQ(m.y, 220);
    }
    EXPECT_EQ(input.beginPass(3).mouse.status, 1) << "let go after the passes asked";

    // A press the pass sees still held counts as it is; one made for the old
    // screen is not carried to a new one.
    deliver([&] {
        input.pointerMoved(5, 6, true);
        input.buttonChanged(0, true);
    });
    EXPECT_EQ(input.beginPass(3).mouse.buttons, 1);
    deliver([&] {
        input.buttonChanged(0, false);
        input.screenOpened(940, 320);
    });
    EXPECT_EQ(input.beginPass(3).mouse.buttons, 0);
}

TEST_F(InputTest, NewScreenAndActivationChangeResetButtons) {
    openActive();
    deliver([&] {
        input.pointerMoved(1, 1, true);
        input.buttonChanged(0, true);
        input.wheelMoved(4);
        input.screenOpened(400, 400);
    });
    MouseState m = input.beginPass().mouse;
    EXPECT_EQ(m.buttons, 0);
    EXPECT_EQ(m.wheel, 0);

    // A button released while another window had the focus is not left down.
    deliver([&] {
        input.buttonChanged(0, true);
        input.setActive(false);
        input.setActive(true);
    });
    EXPECT_EQ(input.beginPass().mouse.buttons, 0);
}

TEST_F(InputTest, EveryPassLetsTheBackEndDeliverAndOnlyAnUnchangedOneWaits) {
    openActive();
    // A pass that switched the mode with Ctrl+2 still held: the next pass
    // begins after the page had its turn, so the release can come.
    input.beginPass();
    input.endPass(true);
    input.beginPass();
    EXPECT_EQ(events.waits, (std::vector<int>{0, 0}));

    // Unchanged: it waits, without a deadline, until what it reads changes.
    events.waits.clear();
    events.onAwait = [&](int n) {
        if (n == 2)
            deliver([&] { input.pointerMoved(3, 3, true); });
    };
    input.endPass(false);
    EXPECT_EQ(events.waits, (std::vector<int>{-1, -1}));

    // The wait got the pass its events: the next one begins at once. A pass
    // reads one typed key after its end: while keys wait, none waits.
    post('x');
    post('y');
    events.waits.clear();
    for (const char* key : {"x", "y"}) {
        input.beginPass();
        input.endPass(false);
        EXPECT_EQ(input.readKey(), key);
    }
    EXPECT_EQ(events.waits, (std::vector<int>{0})) << "only the second pass's start yields";
    input.beginPass();
    events.onAwait = [&](int n) {
        if (n == 3)
            post('z');
    };
    input.endPass(false);
    EXPECT_EQ(events.waits, (std::vector<int>{0, 0, -1}));
}

TEST(TheDoor, PumpsABackEndOnTheGameThreadOnlyWhileNothingNewCame) {
    // A back end whose events come only when the door pumps it.
    struct Pumped : EventSource, Clock {
        std::vector<std::pair<std::uint64_t, double>> pumps;
        std::function<void()> onPump;
        bool deliversOnItsOwn() const override { return false; }
        void pumpEvents(std::uint64_t since, double deadline) override {
            pumps.emplace_back(since, deadline);
            if (onPump)
                onPump();
        }
        double timerSeconds() override { return 7.0; }
        LocalTime localTime() override { return {}; }
    } source;
    std::mutex lock;
    Door door(source, source, lock);
    std::unique_lock guard(lock);
    EXPECT_EQ(door.deliveries(), 0u);
    // Nothing new since the caller looked: the back end is asked, without
    // the lock (it delivers through the door, which takes it).
    source.onPump = [&] {
        EXPECT_TRUE(lock.try_lock());
        door.batchDelivered();
        lock.unlock();
    };
    door.await(guard, 0, 9.5);
    EXPECT_EQ(door.deliveries(), 1u);
    ASSERT_EQ(source.pumps.size(), 1u);
    EXPECT_EQ(source.pumps[0], std::pair(std::uint64_t{0}, 9.5));
    // A batch after the one the caller knows came already: no pump.
    door.await(guard, 0, noDeadline);
    EXPECT_EQ(source.pumps.size(), 1u);
    // The clock past the deadline still lets the back end hand over what is
    // pending, once per look.
    source.onPump = nullptr;
    door.await(guard, 1, 3.0);
    EXPECT_EQ(source.pumps.size(), 2u);
    EXPECT_TRUE(guard.owns_lock());
}

TEST(TheDoor, ConvertsWhatBackEndsTranslateIntoTheKeyBuffersCodes) {
    ScriptedBackend backend;
    Display display(backend);
    // Rows: one event, and what readKey returns then ("" for nothing).
    const std::pair<InputEvent, std::string> rows[] = {
        {InputEvent::typed('a'), "a"},
        {InputEvent::typed(27), "\x1b"},
        {InputEvent::typed(0xE4), "\x84"}, // ä
        {InputEvent::typed(0xDF), "\xe1"}, // ß
        {InputEvent::typed(0xF1), "\xa4"}, // ñ
        {InputEvent::typed(0x20AC), "?"},  // € has no code page 437 form
        {InputEvent::typed(0x3A9), "?"},   // Ω has no Windows-1252 form
        {InputEvent::typed(0xFFFD), "?"},  // a broken character
        {InputEvent::named(NamedKey::Up, false, false), "\xffH"},
        {InputEvent::named(NamedKey::F1, true, false), "\xffT"}, // 84
        {InputEvent::named(NamedKey::F1, true, true), "\xff^"},  // 94: Ctrl wins
        {InputEvent::named(NamedKey::F12, false, false), "\xff\x86"},
        {InputEvent::named(NamedKey::PageUp, false, true), "\xff\x84"},
        {InputEvent::named(NamedKey::F10, false, false), ""},
        {InputEvent::close(), "\xffk"},
    };
    for (const auto& [event, expected] : rows) {
        display.deliver({&event, 1});
        EXPECT_EQ(display.input.readKey(), expected)
            << static_cast<int>(event.kind) << " " << event.code;
        EXPECT_EQ(display.input.readKey(), "");
    }
    const InputEvent repeated = InputEvent::named(NamedKey::Down, false, false, 2);
    display.deliver({&repeated, 1});
    EXPECT_EQ(display.input.readKey() + display.input.readKey(), "\xffP\xffP");
    // A presenter's pass without events wakes no waiting game thread.
    const std::uint64_t batches = display.door.deliveries();
    display.deliver({});
    EXPECT_EQ(display.door.deliveries(), batches);
    display.deliver({&repeated, 1});
    EXPECT_EQ(display.door.deliveries(), batches + 1);
}

// --- a presenter thread delivers; the game thread blocks ---

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// Bounds are generous: the machine running the tests may be busy.
constexpr auto prompt = 5s;

// The door sleeps until the presenter delivers: it never asks for a pump.
class ThreadedEvents : public EventSource, public Clock {
public:
    bool deliversOnItsOwn() const override { return true; }
    void pumpEvents(std::uint64_t, double) override { ADD_FAILURE() << "pumped a presenter"; }
    // A wait that spins reads the clock thousands of times; one that sleeps,
    // a few.
    std::atomic<int> clockReads{0};
    double timerSeconds() override {
        ++clockReads;
        return std::chrono::duration<double>(SteadyClock::now().time_since_epoch()).count();
    }
    LocalTime localTime() override { return {}; }
};

class PresenterWaitTest : public ::testing::Test {
protected:
    ThreadedEvents events;
    std::mutex lock;
    Door door{events, events, lock};
    Input input{door, lock};

    void deliver(const std::function<void()>& f) {
        std::lock_guard guard(lock);
        f();
        door.batchDelivered();
    }
    // An open, active window; the pointer at (10, 10) when `pointer` is set.
    void openActive(bool pointer) {
        deliver([&] {
            input.screenOpened(940, 320);
            input.setActive(true);
            if (pointer)
                input.pointerMoved(10, 10, true);
        });
    }
    static SteadyClock::duration timed(const std::function<void()>& f) {
        const auto start = SteadyClock::now();
        f();
        return SteadyClock::now() - start;
    }
};

// Runs `change` as a presenter's batch after a pause long enough that a game
// thread which did not wait for it would be done first.
class LateChange {
public:
    LateChange(std::mutex& lock, Door& door, std::function<void()> change)
        : thread_([&lock, &door, change = std::move(change), this] {
              std::this_thread::sleep_for(50ms);
              std::lock_guard guard(lock);
              done_ = true;
              change();
              door.batchDelivered();
          }) {}
    ~LateChange() { thread_.join(); }
    bool done() const { return done_; }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST_F(PresenterWaitTest, APassWaitsUntilSomethingItReadsChanges) {
    openActive(true);
    // Each row: a change the next pass must see, made while the game waits.
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"key down", [&] { input.keyEvent(30, true); }},
        {"key up", [&] { input.keyEvent(30, false); }},
        {"typed key", [&] { input.postKey('a'); }},
        {"pointer moved", [&] { input.pointerMoved(20, 10, true); }},
        {"button", [&] { input.buttonChanged(1, true); }},
        {"pointer left", [&] { input.pointerMoved(-1, -1, false); }},
        {"deactivated", [&] { input.setActive(false); }},
        {"close", [&] { input.postKey(closeRequestCode); }},
    };
    for (const auto& row : changes) {
        const char* name = row.first;
        const std::function<void()>& change = row.second; // a lambda may capture it
        // A pass that looks at everything, then one that finds nothing new.
        for (int pass = 0; pass < 2; ++pass) {
            input.beginPass();
            input.readKey();
        }
        bool changedFirst = false;
        const auto took = timed([&] {
            LateChange late(lock, door, change);
            // A batch that changes nothing a pass reads does not end the wait.
            deliver([&] { input.keyEvent(30, input.isKeyDown(30) != 0); });
            input.endPass(false);
            changedFirst = late.done();
        });
        EXPECT_TRUE(changedFirst) << name << ": returned before the change";
        EXPECT_LT(took, prompt) << name;
    }
}

TEST_F(PresenterWaitTest, HeldLeftButtonGetsOnePassPerRectangleBeforeTheWait) {
    openActive(true);
    deliver([&] { input.buttonChanged(0, true); });
    int passes = 0;
    {
        LateChange late(lock, door, [&] { input.buttonChanged(0, false); });
        for (;;) {
            input.beginPass();
            ++passes;
            if (late.done())
                break;
            input.endPass(false, 32);
        }
    }
    EXPECT_EQ(passes, 32 + 1) << "32 passes from the same input, then one after the release";
}

TEST_F(PresenterWaitTest, WaitingForAKeyBlocksUntilOneIsTyped) {
    bool typedFirst = false;
    {
        LateChange late(lock, door, [&] { input.postKey(' '); });
        input.sleepFor(-1);
        typedFirst = late.done();
    }
    EXPECT_TRUE(typedFirst);
    EXPECT_LE(events.clockReads, 20) << "asleep until the key, not spinning";
    EXPECT_EQ(input.readKey(), " ") << "the key stays for readKey";

    // A long sleep ends at a key too, and runs its full length without one.
    {
        LateChange late(lock, door, [&] { input.postKey('q'); });
        EXPECT_LT(timed([&] { input.sleepFor(60000); }), prompt);
    }
    events.clockReads = 0;
    EXPECT_GE(timed([&] { input.sleepFor(150); }), 140ms);
    EXPECT_LE(events.clockReads, 20) << "timed waits sleep too";
}

TEST_F(PresenterWaitTest, GamePassesSeeEveryTapAndWaitBetweenThem) {
    openActive(false);
    const std::vector<int> taps = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34};
    std::atomic<bool> stop{false};
    std::thread presenter([&] {
        // Like a window: a tap (press and release in one batch) now and then.
        for (int code : taps) {
            std::this_thread::sleep_for(5ms);
            deliver([&] {
                input.keyEvent(code, true);
                input.keyEvent(code, false);
            });
        }
        while (!stop) {
            std::this_thread::sleep_for(5ms);
            deliver([&] { input.postKey(0); }); // keeps a pass that waits at the end from hanging
        }
    });

    std::set<int> seen;
    int passes = 0;
    const auto start = SteadyClock::now();
    while (seen.size() < taps.size() && SteadyClock::now() - start < prompt) {
        const PassInput& pass = input.beginPass();
        ++passes;
        for (int code : taps) {
            if (pass.keys[static_cast<std::size_t>(code)])
                seen.insert(code);
        }
        input.readKey();
        input.endPass(false);
    }
    stop = true;
    presenter.join();

    EXPECT_EQ(seen, std::set<int>(taps.begin(), taps.end()));
    // A pass for the tap and one for what it read, not a pass a millisecond.
    EXPECT_LE(passes, 3 * static_cast<int>(taps.size()) + 5);
}

} // namespace
} // namespace schlingo::platform
