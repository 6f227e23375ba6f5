#include "platform/input.hpp"

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
    bool presenterThread = false;    // what presenterRefreshesInput answers

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
    bool presenterRefreshesInput() const override { return presenterThread; }
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
    presenter([&] { input.screenOpened(940, 320); });
    presenter([&] {
        input.keyEvent(30, true);
        input.refreshKeyTable();
    });
    EXPECT_EQ(input.isKeyDown(30), 0) << "inactive window: no refresh";

    presenter([&] { input.setActive(true); });
    presenter([&] { input.keyEvent(30, true); });
    EXPECT_EQ(input.isKeyDown(30), 0) << "not refreshed yet";
    presenter([&] { input.refreshKeyTable(); });
    EXPECT_EQ(input.isKeyDown(30), -1);
    presenter([&] {
        input.keyEvent(30, false);
        input.refreshKeyTable();
    });
    EXPECT_EQ(input.isKeyDown(30), 0);

    // Folded right Ctrl arrives as 29 like the left one.
    presenter([&] {
        input.keyEvent(29, true);
        input.refreshKeyTable();
    });
    EXPECT_EQ(input.isKeyDown(29), -1);
    EXPECT_EQ(input.isKeyDown(128), 0);
    EXPECT_EQ(input.isKeyDown(-1), 0);
    EXPECT_EQ(input.isKeyDown(1000), 0);
}

TEST_F(InputTest, TapBetweenTwoPassesStaysDownUntilTheGameHasSeenIt) {
    openActive();
    auto tap = [&](int code) {
        presenter([&] {
            input.keyEvent(code, true);
            input.keyEvent(code, false);
        });
    };
    auto refresh = [&] { presenter([&] { input.refreshKeyTable(); }); };

    tap(44);
    presenter([&] { input.keyEvent(21, true); }); // Z held across passes
    refresh();
    EXPECT_EQ(input.isKeyDown(44), -1);
    EXPECT_EQ(input.isKeyDown(21), -1);
    refresh();
    EXPECT_EQ(input.isKeyDown(44), 0) << "seen once, the tap is over";
    EXPECT_EQ(input.isKeyDown(21), -1);

    // Passes the game sleeps through do not use the tap up.
    tap(30);
    refresh();
    refresh();
    refresh();
    EXPECT_EQ(input.isKeyDown(30), -1);
    refresh();
    EXPECT_EQ(input.isKeyDown(30), 0);

    // A look before the tap was shown does not count as seeing it.
    tap(18);
    EXPECT_EQ(input.isKeyDown(18), 0);
    refresh();
    EXPECT_EQ(input.isKeyDown(18), -1);

    // A game that never looks does not find old taps half a second later.
    tap(19);
    for (int pass = 0; pass < 60; ++pass)
        refresh();
    EXPECT_EQ(input.isKeyDown(19), 0);
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

// --- a short sleep waits for the presenter's next pass ---

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Bounds are generous: the machine running the tests may be busy.
constexpr auto prompt = 5s;

class PresenterWaitTest : public ::testing::Test {
protected:
    FakeBackend backend;
    std::mutex lock;

    PresenterWaitTest() { backend.presenterThread = true; }

    static Clock::duration timed(const std::function<void()>& f) {
        const auto start = Clock::now();
        f();
        return Clock::now() - start;
    }
};

TEST_F(PresenterWaitTest, ShortSleepReturnsOnlyAfterTheNextRefresh) {
    // A cap far beyond the bounds below: only a refresh can end the wait.
    Input input{backend, lock, 60s};
    input.readMouse();
    std::atomic<bool> refreshed{false};
    std::thread presenter([&] {
        std::this_thread::sleep_for(50ms);
        std::lock_guard guard(lock);
        refreshed = true;
        input.refreshKeyTable(); // the window is inactive: still a pass
    });
    const auto took = timed([&] { input.sleepFor(1); });
    const bool refreshedBeforeReturn = refreshed;
    presenter.join();
    EXPECT_TRUE(refreshedBeforeReturn) << "returned without a presenter pass";
    EXPECT_LT(took, prompt);
}

TEST_F(PresenterWaitTest, RefreshDuringThePassMeansAPlainSleep) {
    Input input{backend, lock, 60s};
    input.readMouse();
    {
        std::lock_guard guard(lock);
        input.refreshKeyTable();
    }
    const auto took = timed([&] { input.sleepFor(1); });
    EXPECT_LT(took, prompt);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{1}));
}

TEST_F(PresenterWaitTest, StalledPresenterCostsNoMoreThanTheCap) {
    Input input{backend, lock, 100ms};
    input.readMouse();
    const auto took = timed([&] { input.sleepFor(1); });
    EXPECT_GE(took, 100ms);
    EXPECT_LT(took, prompt);
    EXPECT_TRUE(backend.sleeps.empty()) << "the wait already lasted longer than 1 ms";

    // The default cap is a few presenter passes, not more.
    Input byDefault{backend, lock};
    byDefault.readMouse();
    const auto tookDefault = timed([&] { byDefault.sleepFor(1); });
    EXPECT_GE(tookDefault, Input::defaultRefreshWaitCap);
    EXPECT_LT(tookDefault, prompt);
}

TEST_F(PresenterWaitTest, InputFedOnTheGameThreadNeverWaits) {
    backend.presenterThread = false;
    Input input{backend, lock, 60s};
    input.readMouse();
    const auto took = timed([&] { input.sleepFor(1); });
    EXPECT_LT(took, prompt);
    EXPECT_EQ(backend.sleeps, (std::vector<int>{1}));
}

TEST_F(PresenterWaitTest, GamePassesKeepPaceWithThePresenterAndSeeEveryTap) {
    Input input{backend, lock, 60s};
    {
        std::lock_guard guard(lock);
        input.screenOpened(940, 320);
        input.setActive(true);
    }
    const std::vector<int> taps = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34};
    std::atomic<bool> stop{false};
    int refreshes = 0; // presenter thread only until joined
    std::thread presenter([&] {
        // Like a real presenter: a pass each 10 ms, a tap (press and release
        // between two passes) before each of the first ones.
        for (std::size_t pass = 0; !stop; ++pass) {
            {
                std::lock_guard guard(lock);
                if (pass < taps.size()) {
                    input.keyEvent(taps[pass], true);
                    input.keyEvent(taps[pass], false);
                }
                input.refreshKeyTable();
                ++refreshes;
            }
            std::this_thread::sleep_for(10ms);
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
        input.sleepFor(1);
    }
    stop = true;
    presenter.join();

    EXPECT_EQ(seen, std::set<int>(taps.begin(), taps.end()));
    // Every pass but the first waited for a refresh of its own.
    EXPECT_LE(passes, refreshes + 1);
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
