#include "platform/machine/input.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace schlingo::platform {
namespace {

// Records the sleeps and runs a hook at every poll, so the tests decide when
// the "presenter" delivers events.
class FakeBackend : public Backend {
public:
    std::vector<int> sleeps;
    int polls = 0;
    std::function<void(int)> onPoll; // gets the poll number, from 1
    bool presenterThread = false;    // what presenterFeedsInput answers

    void openWindow(int, int, const std::string&) override {}
    void setWindowTitle(const std::string&) override {}
    std::uintptr_t windowHandle() override { return 0; }
    void setProgramIcon() override {}
    void sleepMilliseconds(int ms) override { sleeps.push_back(ms); }
    void pollFromGameThread() override {
        ++polls;
        if (onPoll)
            onPoll(polls);
    }
    bool presenterFeedsInput() const override { return presenterThread; }
    double timerSeconds() override { return 0; }
    LocalTime localTime() override { return {}; }
    MessageAnswer showMessage(const MessageBox&) override { return MessageAnswer::Ok; }
    void runStartWindow(StartWindow&) override {}
    [[noreturn]] void exitProcess(int) override { std::abort(); }
};

class InputTest : public ::testing::Test {
protected:
    FakeBackend backend;
    std::mutex lock;
    Input input{backend, lock};

    // Presenter side, as a back end calls it.
    void presenter(const std::function<void()>& f) {
        std::lock_guard guard(lock);
        f();
    }
    void openActive() {
        presenter([&] {
            input.screenOpened(940, 320);
            input.setActive(true);
        });
    }
    void post(std::uint32_t code) {
        presenter([&] { input.postKey(code); });
    }
};

TEST_F(InputTest, KeyTableFollowsEventsOnlyAtRefreshAndOnlyWhileActive) {
    // Each look is a pass of its own, as in the guessing loop.
    auto isKeyDown = [&](int code) {
        input.readMouse();
        return input.isKeyDown(code);
    };
    presenter([&] { input.screenOpened(940, 320); });
    presenter([&] {
        input.keyEvent(30, true);
        input.refreshKeyTable();
    });
    EXPECT_EQ(isKeyDown(30), 0) << "inactive window: no refresh";

    presenter([&] { input.setActive(true); });
    presenter([&] { input.keyEvent(30, true); });
    EXPECT_EQ(isKeyDown(30), 0) << "not refreshed yet";
    presenter([&] { input.refreshKeyTable(); });
    EXPECT_EQ(isKeyDown(30), -1);
    presenter([&] {
        input.keyEvent(30, false);
        input.refreshKeyTable();
    });
    EXPECT_EQ(isKeyDown(30), 0);

    // A key and its extended twin share one entry, down while either is held:
    // Ctrl, Alt/AltGr, Enter/keypad Enter, keypad digits/cursor block.
    for (int code : {29, 56, 28, 72, 83}) {
        for (bool twinFirst : {false, true}) {
            auto press = [&](bool extended, bool down) {
                presenter([&] {
                    input.keyEvent(code, down, extended);
                    input.refreshKeyTable();
                });
            };
            press(twinFirst, true);
            press(!twinFirst, true);
            press(twinFirst, false);
            EXPECT_EQ(isKeyDown(code), -1) << code << ": the twin is still held";
            press(!twinFirst, false);
            press(false, false); // the latch the game has seen goes
            EXPECT_EQ(isKeyDown(code), 0) << code;
        }
    }
    EXPECT_EQ(isKeyDown(128), 0);
    EXPECT_EQ(isKeyDown(-1), 0);
    EXPECT_EQ(isKeyDown(1000), 0);
}

TEST_F(InputTest, TapStaysDownUntilAPassStartedAfterItHasSeenIt) {
    openActive();
    auto tap = [&](int code) {
        presenter([&] {
            input.keyEvent(code, true);
            input.keyEvent(code, false);
        });
    };
    auto refresh = [&] { presenter([&] { input.refreshKeyTable(); }); };
    auto passStarts = [&] { input.readMouse(); };

    tap(44);
    presenter([&] { input.keyEvent(21, true); }); // Z held across passes
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(44), -1);
    EXPECT_EQ(input.isKeyDown(21), -1);
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(44), 0) << "seen once, the tap is over";
    EXPECT_EQ(input.isKeyDown(21), -1);

    // Refreshes the game sleeps through do not use the tap up.
    tap(30);
    refresh();
    refresh();
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(30), -1);
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(30), 0);

    // A look before the tap was shown does not count as seeing it.
    tap(18);
    EXPECT_EQ(input.isKeyDown(18), 0);
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(18), -1);
    refresh();

    // A tap in the middle of a pass that has tested its key already, with
    // refreshes around it (the game's own drawing wakes the presenter): the
    // pass under way cannot use it up, the next one sees it.
    passStarts();
    EXPECT_EQ(input.isKeyDown(19), 0);
    tap(19);
    refresh();
    EXPECT_EQ(input.isKeyDown(1), 0); // the same pass tests Esc
    EXPECT_EQ(input.isKeyDown(19), -1);
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(19), -1) << "lost to a refresh in the middle of a pass";
    refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(19), 0);

    // A game that starts no pass does not find old taps much later.
    tap(20);
    for (int n = 0; n < 60; ++n)
        refresh();
    passStarts();
    EXPECT_EQ(input.isKeyDown(20), 0);
}

TEST_F(InputTest, KeyReportedJustBeforeActivationCounts) {
    presenter([&] {
        input.screenOpened(940, 320);
        input.keyEvent(30, true);
        input.setActive(true);
    });
    EXPECT_EQ(input.isKeyDown(30), 0) << "activation sets every entry up";
    presenter([&] { input.refreshKeyTable(); });
    EXPECT_EQ(input.isKeyDown(30), -1);
}

TEST_F(InputTest, ActivationChangeReleasesEveryKey) {
    openActive();
    presenter([&] {
        input.keyEvent(18, true);
        input.refreshKeyTable();
        input.setActive(false);
    });
    EXPECT_EQ(input.isKeyDown(18), 0);
    presenter([&] {
        input.refreshKeyTable();
        input.setActive(true);
        input.refreshKeyTable();
    });
    EXPECT_EQ(input.isKeyDown(18), 0) << "the press before the change is forgotten";
}

TEST_F(InputTest, NoScreenMeansNoKeysDown) {
    presenter([&] {
        input.setActive(true);
        input.keyEvent(1, true);
        input.refreshKeyTable();
    });
    EXPECT_EQ(input.isKeyDown(1), 0);
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

TEST_F(InputTest, CloseRequestAndRepeatCounts) {
    presenter([&] { input.postCloseRequest(); });
    EXPECT_EQ(input.readKey(), "\xffk");

    presenter([&] { input.postKey('x', 3); });
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_EQ(input.readKey(), "");

    presenter([&] { input.postKey('y', 0); });
    EXPECT_EQ(input.readKey(), "y") << "a zero repeat count still typed one key";
    EXPECT_EQ(input.readKey(), "");

    presenter([&] { input.postKey('z', 1000); });
    int count = 0;
    while (input.readKey() == "z")
        ++count;
    EXPECT_EQ(count, 15);
}

TEST_F(InputTest, KeyBufferSurvivesANewScreen) {
    openActive();
    post('q');
    presenter([&] { input.screenOpened(400, 400); });
    EXPECT_EQ(input.readKey(), "q");
}

TEST_F(InputTest, SleepForeverEndsOnAKeyAndLeavesItInTheBuffer) {
    backend.onPoll = [&](int n) {
        if (n == 3)
            post(27);
    };
    input.sleepFor(-1);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{50, 50}));
    EXPECT_EQ(input.readKey(), "\x1b");

    // A key that arrived before the call ends the wait at once; the wait
    // clears the flag, so a second wait would need a new key.
    backend.onPoll = nullptr;
    backend.sleeps.clear();
    post('a');
    input.sleepFor(-1);
    EXPECT_TRUE(backend.sleeps.empty());
    EXPECT_EQ(input.readKey(), "a");
}

TEST_F(InputTest, ReadKeyClearsTheArrivedFlagEvenWhenEmpty) {
    post('a');
    post('b');
    EXPECT_EQ(input.readKey(), "a");
    // "b" waits but its flag was cleared by the read: the wait needs a new key.
    backend.onPoll = [&](int n) {
        if (n == 2)
            post('c');
    };
    input.sleepFor(-1);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{50}));
}

TEST_F(InputTest, LongSleepCountsOffFiftyMillisecondStepsAndEndsOnAKey) {
    input.sleepFor(250);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{50, 50, 50, 50, 50}));

    backend.sleeps.clear();
    input.sleepFor(120);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{50, 50, 20}));

    backend.sleeps.clear();
    backend.polls = 0;
    backend.onPoll = [&](int n) {
        if (n == 2)
            post('k');
    };
    input.sleepFor(1000);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{50}));
    EXPECT_EQ(input.readKey(), "k");
}

TEST_F(InputTest, ShortSleepIgnoresKeysAndZeroOrNegativeReturnAtOnce) {
    post('a');
    input.sleepFor(1);
    input.sleepFor(99);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{1, 99}));
    backend.sleeps.clear();
    input.sleepFor(-1); // the flag survived the short sleeps
    EXPECT_TRUE(backend.sleeps.empty());

    input.sleepFor(0);
    input.sleepFor(-2);
    input.sleepFor(-1000);
    EXPECT_TRUE(backend.sleeps.empty());
}

TEST_F(InputTest, PointerUnavailableWhileInactiveOrOutside) {
    auto unavailable = [](const MouseState& m) {
        return m.x == -1 && m.y == -1 && m.wheel == -1 && m.buttons == -1 && m.confined == -1 &&
               m.status == 1;
    };
    EXPECT_TRUE(unavailable(input.readMouse())) << "no screen";
    presenter([&] {
        input.screenOpened(940, 320);
        input.pointerMoved(10, 20, true);
    });
    EXPECT_TRUE(unavailable(input.readMouse())) << "inactive";
    presenter([&] { input.setActive(true); });
    MouseState m = input.readMouse();
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.x, 10);
    EXPECT_EQ(m.y, 20);
    EXPECT_EQ(m.buttons, 0);
    EXPECT_EQ(m.wheel, 0);
    EXPECT_EQ(m.confined, 0);
    presenter([&] { input.pointerMoved(-5, 20, false); });
    EXPECT_TRUE(unavailable(input.readMouse())) << "outside";
    EXPECT_GE(backend.polls, 4) << "every readMouse runs a poll first";
}

TEST_F(InputTest, ButtonsWheelAndCaptureWhileHeld) {
    openActive();
    presenter([&] {
        input.pointerMoved(100, 50, true);
        input.buttonChanged(0, true);
        input.buttonChanged(1, true);
        input.wheelMoved(1);
        input.wheelMoved(1);
        input.wheelMoved(-3);
    });
    MouseState m = input.readMouse();
    EXPECT_EQ(m.buttons, 3) << "left and right together";
    EXPECT_EQ(m.wheel, -1);

    // Held buttons keep the pointer: outside positions are clamped.
    presenter([&] {
        input.buttonChanged(1, false);
        input.pointerMoved(2000, -7, false);
    });
    m = input.readMouse();
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.x, 939);
    EXPECT_EQ(m.y, 0);
    EXPECT_EQ(m.buttons, 1);

    // Released outside: the pointer is gone.
    presenter([&] { input.buttonChanged(0, false); });
    EXPECT_EQ(input.readMouse().status, 1);

    presenter([&] {
        input.pointerMoved(5, 6, true);
        input.setButtons(0x3F);
    });
    EXPECT_EQ(input.readMouse().buttons, 0x1F) << "five buttons only";
}

TEST_F(InputTest, NewScreenAndActivationChangeResetButtons) {
    openActive();
    presenter([&] {
        input.pointerMoved(1, 1, true);
        input.buttonChanged(0, true);
        input.wheelMoved(4);
        input.screenOpened(400, 400);
    });
    MouseState m = input.readMouse();
    EXPECT_EQ(m.buttons, 0);
    EXPECT_EQ(m.wheel, 0);

    // A button released while another window had the focus is not left down.
    presenter([&] {
        input.buttonChanged(0, true);
        input.setActive(false);
        input.setActive(true);
    });
    EXPECT_EQ(input.readMouse().buttons, 0);
}

// --- where a presenter thread feeds the input, waits block on it ---

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Bounds are generous: the machine running the tests may be busy.
constexpr auto prompt = 5s;

class PresenterWaitTest : public ::testing::Test {
protected:
    FakeBackend backend;
    std::mutex lock;
    Input input{backend, lock};

    PresenterWaitTest() { backend.presenterThread = true; }

    // An open, active window; the pointer at (10, 10) when `pointer` is set.
    void openActive(bool pointer) {
        std::lock_guard guard(lock);
        input.screenOpened(940, 320);
        input.setActive(true);
        if (pointer)
            input.pointerMoved(10, 10, true);
    }
    static Clock::duration timed(const std::function<void()>& f) {
        const auto start = Clock::now();
        f();
        return Clock::now() - start;
    }
};

// Runs `change` on a presenter thread after a pause long enough that a game
// thread which did not wait for it would be done first.
class LateChange {
public:
    LateChange(std::mutex& lock, std::function<void()> change)
        : thread_([&lock, change = std::move(change), this] {
              std::this_thread::sleep_for(50ms);
              std::lock_guard guard(lock);
              done_ = true;
              change();
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
        {"key down",
         [&] {
             input.keyEvent(30, true);
             input.refreshKeyTable();
         }},
        {"key up",
         [&] {
             input.keyEvent(30, false);
             input.refreshKeyTable();
         }},
        {"typed key", [&] { input.postKey('a'); }},
        {"pointer moved", [&] { input.pointerMoved(20, 10, true); }},
        {"button", [&] { input.buttonChanged(1, true); }},
        {"pointer left", [&] { input.pointerMoved(-1, -1, false); }},
        {"deactivated", [&] { input.setActive(false); }},
        {"close", [&] { input.postCloseRequest(); }},
    };
    for (const auto& row : changes) {
        const char* name = row.first;
        const std::function<void()>& change = row.second; // a lambda may capture it
        // A pass that looks at everything, then one that finds nothing new.
        for (int pass = 0; pass < 2; ++pass) {
            input.readMouse();
            input.isKeyDown(30);
            input.readKey();
        }
        bool changedFirst = false;
        const auto took = timed([&] {
            LateChange late(lock, change);
            input.waitForInput(0);
            changedFirst = late.done();
        });
        EXPECT_TRUE(changedFirst) << name << ": returned before the change";
        EXPECT_LT(took, prompt) << name;
    }
    EXPECT_TRUE(backend.sleeps.empty()) << "a waiting pass never polls";
}

TEST_F(PresenterWaitTest, WhatChangedDuringThePassOrIsStillUnreadEndsTheWaitAtOnce) {
    openActive(false);
    input.readMouse();
    {
        std::lock_guard guard(lock);
        input.pointerMoved(5, 5, true);
    }
    EXPECT_LT(timed([&] { input.waitForInput(0); }), prompt);

    // Two keys typed at once: reading one leaves the other for the next pass.
    {
        std::lock_guard guard(lock);
        input.postKey('x');
        input.postKey(27);
    }
    input.readMouse();
    EXPECT_EQ(input.readKey(), "x");
    EXPECT_LT(timed([&] { input.waitForInput(0); }), prompt);

    // A tap the pass has seen is let go when the next pass starts.
    {
        std::lock_guard guard(lock);
        input.keyEvent(1, true);
        input.keyEvent(1, false);
        input.refreshKeyTable();
    }
    input.readMouse();
    EXPECT_EQ(input.isKeyDown(1), -1);
    EXPECT_EQ(input.readKey(), "\x1b");
    EXPECT_LT(timed([&] { input.waitForInput(0); }), prompt);
    input.readMouse();
    EXPECT_EQ(input.isKeyDown(1), 0);
    EXPECT_EQ(input.readKey(), "");
    // Now nothing is left: the pass waits, for a pointer that moves.
    bool changedFirst = false;
    {
        LateChange late(lock, [&] { input.pointerMoved(9, 9, true); });
        input.waitForInput(0);
        changedFirst = late.done();
    }
    EXPECT_TRUE(changedFirst);
}

TEST_F(PresenterWaitTest, HeldLeftButtonGetsOnePassPerRectangleBeforeTheWait) {
    openActive(true);
    {
        std::lock_guard guard(lock);
        input.buttonChanged(0, true);
    }
    int passes = 0;
    bool changedFirst = false;
    {
        LateChange late(lock, [&] { input.buttonChanged(0, false); });
        for (;;) {
            input.readMouse();
            ++passes;
            if (late.done())
                break;
            input.waitForInput(32);
        }
        changedFirst = true;
    }
    EXPECT_TRUE(changedFirst);
    EXPECT_EQ(passes, 32 + 1) << "32 passes from the same input, then one after the release";
}

TEST_F(PresenterWaitTest, InputFedOnTheGameThreadNeverWaits) {
    backend.presenterThread = false;
    input.readMouse();
    EXPECT_LT(timed([&] { input.waitForInput(0); }), prompt);
    EXPECT_LT(timed([&] { input.waitForInput(32); }), prompt);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{1})) << "1 ms between passes, none while cycling";
}

TEST_F(PresenterWaitTest, WaitingForAKeyBlocksWithoutPolling) {
    bool typedFirst = false;
    {
        LateChange late(lock, [&] { input.postKey(' '); });
        input.sleepFor(-1);
        typedFirst = late.done();
    }
    EXPECT_TRUE(typedFirst);
    EXPECT_EQ(backend.polls, 0);
    EXPECT_TRUE(backend.sleeps.empty());
    EXPECT_EQ(input.readKey(), " ") << "the key stays for readKey";

    // A long sleep ends at a key too, and runs its full length without one.
    {
        LateChange late(lock, [&] { input.postKey('q'); });
        EXPECT_LT(timed([&] { input.sleepFor(60000); }), prompt);
    }
    EXPECT_GE(timed([&] { input.sleepFor(150); }), 40ms);
}

TEST_F(PresenterWaitTest, GamePassesSeeEveryTapAndWaitBetweenThem) {
    openActive(false);
    const std::vector<int> taps = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34};
    std::atomic<bool> stop{false};
    std::thread presenter([&] {
        // Like a window: a tap (press and release in one batch of events)
        // now and then, and a wake for every batch.
        for (std::size_t tap = 0; tap < taps.size(); ++tap) {
            std::this_thread::sleep_for(5ms);
            std::lock_guard guard(lock);
            input.keyEvent(taps[tap], true);
            input.keyEvent(taps[tap], false);
            input.refreshKeyTable();
        }
        while (!stop) {
            std::this_thread::sleep_for(5ms);
            std::lock_guard guard(lock);
            input.postKey(0); // keeps a pass that waits at the end from hanging
        }
    });

    std::set<int> seen;
    int passes = 0;
    const auto start = Clock::now();
    while (seen.size() < taps.size() && Clock::now() - start < prompt) {
        input.readMouse();
        ++passes;
        for (int code : taps) {
            if (input.isKeyDown(code) != 0)
                seen.insert(code);
        }
        input.readKey();
        input.waitForInput(0);
    }
    stop = true;
    presenter.join();

    EXPECT_EQ(seen, std::set<int>(taps.begin(), taps.end()));
    // A pass for the tap and one for its release, not a pass a millisecond.
    EXPECT_LE(passes, 3 * static_cast<int>(taps.size()) + 5);
}

// The browser's kind of back end: no presenter thread; the window's events
// are fed while the game thread waits in awaitWindowEvent, one step a call.
class AwaitingBackend : public FakeBackend {
public:
    std::mutex* lock = nullptr;
    Input* input = nullptr;
    std::vector<std::function<void()>> events; // one per await, under the lock
    std::vector<int> awaits;                   // the milliseconds each was given

    bool awaitWindowEvent(int milliseconds) override {
        awaits.push_back(milliseconds);
        const std::size_t n = awaits.size() - 1;
        if (n < events.size()) {
            std::lock_guard guard(*lock);
            events[n]();
        } else if (milliseconds >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); // no event came
        } else {
            // An endless wait with no event to come would hang the game.
            ADD_FAILURE() << "awaited without a deadline after the last event";
            std::lock_guard guard(*lock);
            input->postKey(0);
            input->pointerMoved(static_cast<int>(awaits.size()), 0, true);
        }
        return true;
    }
};

TEST(AwaitedInput, WaitsAwaitTheWindowsEventsUntilOneChangesWhatTheyWaitFor) {
    AwaitingBackend backend;
    std::mutex lock;
    backend.lock = &lock;
    backend.presenterThread = true;
    Input input{backend, lock};
    backend.input = &input;
    {
        std::lock_guard guard(lock);
        input.screenOpened(940, 320);
        input.setActive(true);
    }
    // A pass that changed nothing waits; a key event without its refresh
    // changes nothing a pass reads, so the wait goes on to the next event.
    input.readMouse();
    backend.events = {[&] { input.keyEvent(30, true); }, [&] { input.refreshKeyTable(); }};
    input.waitForInput(0);
    EXPECT_EQ(backend.awaits, (std::vector<int>{-1, -1}));
    input.readMouse();
    EXPECT_EQ(input.isKeyDown(30), -1);

    // Waiting for a key: a pointer move is no key, the typed one ends it.
    backend.awaits.clear();
    backend.events = {[&] { input.pointerMoved(3, 3, true); }, [&] { input.postKey('a'); }};
    input.sleepFor(-1);
    EXPECT_EQ(backend.awaits, (std::vector<int>{-1, -1}));
    EXPECT_EQ(input.readKey(), "a") << "the key stays for readKey";

    // A long sleep without keys awaits until its last check, then sleeps the rest.
    backend.awaits.clear();
    backend.events.clear();
    input.sleepFor(200);
    ASSERT_FALSE(backend.awaits.empty());
    EXPECT_GT(backend.awaits.front(), 0);
    EXPECT_LE(backend.awaits.front(), 100);
    ASSERT_EQ(backend.sleeps.size(), 1u);
    EXPECT_LE(backend.sleeps.front(), 101);
}

TEST(BiosExtendedCode, FollowsShiftAndCtrlAndLeavesF10Out) {
    EXPECT_EQ(biosExtendedCode(NamedKey::Up, false, false), 72);
    EXPECT_EQ(biosExtendedCode(NamedKey::Down, false, false), 80);
    EXPECT_EQ(biosExtendedCode(NamedKey::Left, false, false), 75);
    EXPECT_EQ(biosExtendedCode(NamedKey::Right, false, false), 77);
    EXPECT_EQ(biosExtendedCode(NamedKey::F1, false, false), 59);
    EXPECT_EQ(biosExtendedCode(NamedKey::F9, false, false), 67);
    EXPECT_EQ(biosExtendedCode(NamedKey::F11, false, false), 133);
    EXPECT_EQ(biosExtendedCode(NamedKey::F12, false, false), 134);
    EXPECT_EQ(biosExtendedCode(NamedKey::F1, true, false), 84);
    EXPECT_EQ(biosExtendedCode(NamedKey::F1, false, true), 94);
    EXPECT_EQ(biosExtendedCode(NamedKey::F1, true, true), 94);
    EXPECT_EQ(biosExtendedCode(NamedKey::F10, false, false), 0);
    EXPECT_EQ(biosExtendedCode(NamedKey::F10, true, true), 0);
    EXPECT_EQ(biosExtendedCode(static_cast<NamedKey>(99), false, false), 0);
}

} // namespace
} // namespace schlingo::platform
