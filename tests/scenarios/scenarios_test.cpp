// The scenario table (scenarios.txt) played on the scripted back end: the real
// program (runProgram) in a throwaway working folder, each step of a scenario
// fed to it when it next waits for input, shows a box or opens its start
// window, and each expectation read off its frame buffer the way the desktop
// and browser drivers read their pictures.

#include "flow/startup.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/text_codec.hpp"
#include "platform/seam/host.hpp"
#include "scenarios/scenario_table.hpp"
#include "scenarios/screen_reader.hpp"
#include "state/program.hpp"
#include "support/file_bytes.hpp"
#include "support/scripted_program.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace schlingo {
namespace test {
void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}
} // namespace test

namespace {

using platform::InputEvent;

using Step = test::ScenarioStep;
using test::Scenario;

std::string where(const Step& step) {
    return "line " + std::to_string(step.line) + " \"" + step.text + "\"";
}

struct Failed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr int patience = 400; // passes an expectation may take

// The scripted back end with the scenario's steps fed in as the program asks.
class ScenarioBackend final : public platform::ScriptedBackend {
public:
    ScenarioBackend(const std::vector<Step>& steps, int wordLength, const std::string& data)
        : steps_(steps), wordLength_(wordLength), reader_(data) {}

    std::size_t next = 0; // the step to play next

    // Every wait of the program (and the start of every pass): the steps up
    // to the next one the program must act on first.
    void pumpEvents(std::uint64_t since, double deadline) override {
        while (pendingPasses() == 0) {
            if (next == steps_.size())
                throw Failed("the program went on after the last step");
            const Step& step = steps_[next];
            if (step.verb == "expect" && holds(step)) {
                advance();
            } else if (step.verb == "expect" || step.verb == "box" || step.verb == "exit" ||
                       step.verb == "form" || step.verb == "stray" || step.verb == "stray-close") {
                // Not there yet: the program may need a pass or a few.
                if (++waited_ > patience)
                    throw Failed(where(step) + " never came: " + seen());
                idle(1);
            } else {
                act(step);
                advance();
            }
        }
        ScriptedBackend::pumpEvents(since, deadline);
    }

    platform::MessageAnswer showMessage(const platform::MessageBox& box) override {
        const bool strays = playStrays();
        // Keys and buttons let go of while the box opens: they come up after it.
        while (next < steps_.size() &&
               (steps_[next].verb == "up" || steps_[next].verb == "mouse-up")) {
            act(steps_[next]);
            advance();
        }
        const std::string text = platform::cp1252ToUtf8(box.text);
        if (next == steps_.size() || steps_[next].verb != "box")
            throw Failed("a box \"" + text + "\" came instead of " + nextText());
        const Step& step = steps_[next];
        if (!step.value.empty() && !test::matchesPattern(step.value, text))
            throw Failed(where(step) + ": the box says \"" + text + "\"");
        const std::string& reply = step.answer;
        answer(reply == "cancel" ? platform::MessageAnswer::Cancel
               : reply == "yes"  ? platform::MessageAnswer::Yes
                                 : platform::MessageAnswer::Ok);
        advance();
        // Once a game message is gone the game window behind it has the keys
        // again; a start window's own question gives them back to the form.
        if (strays && box.owner == platform::MessageBox::Owner::None)
            pass({InputEvent::focus(true)});
        return ScriptedBackend::showMessage(box);
    }

    void runStartWindow(platform::StartWindow& window) override {
        if (next < steps_.size() && steps_[next].verb == "expect" && steps_[next].what == "form")
            advance();
        std::vector<bool> checked;
        for (std::size_t i = 0; i < window.controls().size(); ++i)
            checked.push_back(window.initiallyChecked(static_cast<int>(i)));
        for (;;) {
            playStrays();
            if (next == steps_.size() || steps_[next].verb != "form")
                throw Failed("the start window opened instead of " + nextText());
            const int index = steps_[next].control;
            advance();
            if (index < 0)
                return; // the close box: the game starts
            const auto& controls = window.controls();
            if (controls[index].kind == platform::StartWindow::Kind::RadioButton) {
                for (std::size_t i = index; i > 0 && controls[i].kind == controls[index].kind; --i)
                    checked[i] = false;
                for (std::size_t i = index;
                     i < controls.size() && controls[i].kind == controls[index].kind; ++i)
                    checked[i] = false;
                checked[index] = true;
            } else if (controls[index].kind == platform::StartWindow::Kind::CheckBox) {
                checked[index] = !checked[index];
            }
            if (window.clicked(index, checked[index]) == platform::StartWindow::Reply::Destroy)
                return;
        }
    }

    std::string nextText() const {
        return next == steps_.size() ? "the end of the scenario" : where(steps_[next]);
    }

    // The screen as the player sees it now.
    test::ScreenReading reading() {
        test::Picture picture;
        std::lock_guard guard(display_->lock);
        const platform::Screen& screen = display_->screen;
        if (!screen.isOpen())
            return {"none", "", "", ""};
        picture.width = screen.presentWidth();
        picture.height = screen.presentHeight();
        const platform::Pixel* pixels = screen.pixels();
        picture.rgb.assign(pixels,
                           pixels + static_cast<std::size_t>(picture.width) * picture.height);
        for (auto& p : picture.rgb)
            p &= 0xFFFFFF;
        return reader_.read(picture, wordLength_);
    }

private:
    void advance() {
        ++next;
        waited_ = 0;
    }

    std::string seen() {
        return reading().line() + " title=\"" + platform::cp1252ToUtf8(currentTitle()) + "\"";
    }

    bool holds(const Step& step) {
        const std::string& what = step.what;
        const std::string& value = step.value;
        if (what == "title")
            return platform::cp1252ToUtf8(currentTitle()) == value;
        const test::ScreenReading now = reading();
        if (what == "list")
            return now.screen == "list";
        if (what == "form")
            return false; // only the start window's opening satisfies it
        if (now.screen != "game")
            return false;
        if (what == "tries")
            return now.tries == value;
        if (what == "word")
            return now.word == value;
        if (what == "used")
            return now.used == value;
        throw Failed(where(step) + ": nothing of that name to expect");
    }

    // What a key-down types: nothing with Ctrl or AltGr held but letters' control codes.
    int typedBy(const test::ScenarioKey& key) const {
        if (key.typed == 0 || altGr_)
            return 0;
        if (ctrl_)
            return key.typed >= 'a' && key.typed <= 'z' ? key.typed - 'a' + 1 : 0;
        return key.typed;
    }
    void keyDown(std::vector<InputEvent>& events, const test::ScenarioKey& key) {
        events.push_back(InputEvent::key(key.scanCode, true));
        if (const int typed = typedBy(key))
            events.push_back(InputEvent::typed(static_cast<char32_t>(typed)));
        ctrl_ = ctrl_ || key.scanCode == 29;
        altGr_ = altGr_ || (key.scanCode == 56 && key.extended);
    }
    void keyUp(std::vector<InputEvent>& events, const test::ScenarioKey& key) {
        events.push_back(InputEvent::key(key.scanCode, false));
        if (key.scanCode == 29)
            ctrl_ = false;
        if (key.scanCode == 56 && key.extended)
            altGr_ = false;
    }

    void act(const Step& step) {
        const std::string& verb = step.verb;
        if (verb == "tap") {
            std::vector<InputEvent> events;
            keyDown(events, step.keys.at(0));
            keyUp(events, step.keys.at(0));
            pass(events);
        } else if (verb == "press") {
            for (const test::ScenarioKey& key : step.keys) {
                std::vector<InputEvent> down, up;
                keyDown(down, key);
                keyUp(up, key);
                pass(down).pass(up);
            }
        } else if (verb == "down" || verb == "up") {
            std::vector<InputEvent> events;
            if (verb == "down")
                keyDown(events, step.keys.at(0));
            else
                keyUp(events, step.keys.at(0));
            pass(events);
        } else if (verb == "mouse-down") {
            pass({InputEvent::pointer(step.x, step.y, true), InputEvent::button(0, true)});
        } else if (verb == "mouse-up") {
            pass({InputEvent::button(0, false)});
        } else if (verb == "touch") {
            // Anywhere: the middle of the list screen, off the game screen's board.
            const int x = step.x < 0 ? 200 : step.x, y = step.x < 0 ? 200 : step.y;
            // A finger stays down a moment: the board's rectangles take a
            // pass each, as under the mouse's button.
            pass({InputEvent::pointer(x, y, true), InputEvent::button(0, true, true)});
            idle(buttonCount);
            pass({InputEvent::button(0, false)});
        } else if (verb == "close") {
            close();
        } else if (verb == "wait") {
            idle(step.number / 5);
        } else {
            throw Failed(where(step) + " is not for this moment (the program is polling)");
        }
    }

    // Keys typed into the game window left open behind the start window or a
    // box: the desktops' player activates it, types, and goes back. Without
    // such a window they go to the window in front, which the script is.
    // True when there was such a window and they went to it.
    bool playStrays() {
        bool played = false;
        while (next < steps_.size() &&
               (steps_[next].verb == "stray" || steps_[next].verb == "stray-close")) {
            const Step& step = steps_[next];
            if (windowOpen()) {
                std::vector<InputEvent> events = {InputEvent::focus(true)};
                if (step.verb == "stray-close")
                    events.push_back(InputEvent::close());
                for (const test::ScenarioKey& key : step.keys) {
                    keyDown(events, key);
                    keyUp(events, key);
                }
                events.push_back(InputEvent::focus(false));
                // What the player did before comes first; each wait with a
                // deadline gone plays one scripted pass.
                pass(events);
                while (pendingPasses() != 0)
                    ScriptedBackend::pumpEvents(0, 0.0);
                played = true;
            }
            advance();
        }
        return played;
    }

    const std::vector<Step>& steps_;
    int wordLength_;
    test::ScreenReader reader_;
    int waited_ = 0;
    bool ctrl_ = false, altGr_ = false;
};

void writeFile(const std::string& cp1252Name, const std::string& bytes) {
    std::FILE* file = platform::host::openFile(cp1252Name, "wb");
    ASSERT_NE(file, nullptr) << cp1252Name;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

class Scenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(Scenarios, PlayedOnTheScriptedBackEnd) {
    const Scenario& scenario = GetParam();
    if (!scenario.notOn.empty())
        GTEST_SKIP() << scenario.notOn;
    // With its drive: under Wine the working folder below lies on another one.
    const std::string data = std::filesystem::absolute(test::dataDirectory()).string();
    test::TempDir dir;
    const std::vector<Step>& steps = scenario.steps;
    for (const test::ScenarioFile& file : scenario.files)
        writeFile(platform::utf8ToCp1252(file.name).value(), file.bytes);
    bool readsStderr = false;
    for (const Step& step : steps)
        readsStderr = readsStderr || step.verb == "stderr";
    std::filesystem::copy_file(std::filesystem::path(data) / "Button2.galgen", "Button2.galgen");

    ScenarioBackend backend(steps, scenario.wordLength, data);
    Program program(backend);
    program.programDirectory = data;
    if (scenario.windowFails)
        backend.failWindow("im Test verweigert");
    if (readsStderr)
        ::testing::internal::CaptureStderr();
    int code = -1;
    std::string failure;
    try {
        runProgram(program);
    } catch (const platform::ScriptedExit& exit) {
        code = exit.code;
    } catch (const std::exception& error) {
        failure = error.what();
    }
    const std::string errors = readsStderr ? ::testing::internal::GetCapturedStderr() : "";
    ASSERT_TRUE(failure.empty()) << failure;

    for (std::size_t i = backend.next; i < steps.size(); ++i) {
        const Step& step = steps[i];
        if (step.verb == "exit") {
            EXPECT_EQ(code, step.number) << where(step);
        } else if (step.verb == "stderr") {
#ifdef __EMSCRIPTEN__
            // Under Node the error output cannot be taken over; the native
            // builds of this test read it.
            continue;
#endif
            std::istringstream lines(errors);
            bool found = false;
            for (std::string line; std::getline(lines, line);)
                found = found || test::matchesPattern(step.value, line);
            EXPECT_TRUE(found) << where(step) << ": the error output was \"" << errors << "\"";
        } else if (step.verb == "written" && step.what == "nothing") {
            EXPECT_FALSE(std::filesystem::exists("Highscore.dat")) << where(step);
            EXPECT_FALSE(std::filesystem::exists("Statistik.txt")) << where(step);
        } else if (step.verb == "written" && step.what == "highscores") {
            EXPECT_EQ(test::readBytes("Highscore.dat"), step.bytes) << where(step);
        } else if (step.verb == "written" && step.what == "statistics") {
            const std::string text = test::readBytes("Statistik.txt");
            std::size_t lines = 0;
            for (std::size_t at = text.find("\r\n"); at != std::string::npos;
                 at = text.find("\r\n", at + 2))
                ++lines;
            EXPECT_EQ(lines, static_cast<std::size_t>(step.number)) << where(step) << ": " << text;
        } else {
            ADD_FAILURE() << "the program ended with " << code << " before " << where(step);
            break;
        }
    }
}

std::vector<Scenario> readTable() {
    std::ifstream in(std::string(SCHLINGO_SOURCE_DIR) + "/tests/scenarios/scenarios.txt");
    return test::readScenarios(in, test::Driver::Scripted);
}

INSTANTIATE_TEST_SUITE_P(Table, Scenarios, ::testing::ValuesIn(readTable()),
                         [](const ::testing::TestParamInfo<Scenario>& row) {
                             std::string name = row.param.name;
                             for (char& c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });

} // namespace
} // namespace schlingo
