// The scenario table (scenarios.txt) played on the scripted back end: the real
// program (runProgram) in a throwaway working folder, each step of a scenario
// fed to it when it next waits for input, shows a box or opens its start
// window, and each expectation read off its frame buffer the way the desktop
// and browser drivers read their pictures.

#include "flow/startup.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/text_codec.hpp"
#include "platform/seam/host.hpp"
#include "presentation/letter_board.hpp"
#include "scenarios/screen_reader.hpp"
#include "state/letters.hpp"
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
namespace {

using platform::ScriptEvent;
using Kind = platform::ScriptEvent::Kind;

struct Step {
    int line = 0;
    std::string verb;
    std::vector<std::string> args;
    std::string rest; // everything after the verb
    std::string text() const {
        return "line " + std::to_string(line) + " \"" + verb + " " + rest + "\"";
    }
};

struct Scenario {
    std::string name;
    std::map<std::string, std::string> notOn; // back end -> why
    std::vector<Step> steps;
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

std::vector<Scenario> readTable() {
    std::ifstream in(std::string(SCHLINGO_SOURCE_DIR) + "/tests/scenarios/scenarios.txt");
    std::vector<Scenario> table;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::istringstream words(line.substr(first));
        Step step{number, {}, {}, {}};
        words >> step.verb;
        std::getline(words >> std::ws, step.rest);
        std::istringstream args(step.rest);
        for (std::string arg; args >> arg;)
            step.args.push_back(arg);
        if (step.verb == "scenario") {
            table.push_back({step.rest, {}, {}});
        } else if (table.empty()) {
            continue;
        } else if (step.verb == "not-on") {
            table.back().notOn[step.args.at(0)] = step.rest.substr(step.args[0].size() + 1);
        } else if (step.verb == "greetings") {
            for (int i = 0; i < 3; ++i)
                table.back().steps.push_back({number, "box", {"ok"}, "ok"});
        } else {
            table.back().steps.push_back(step);
        }
    }
    return table;
}

// "*" stands for any run of characters.
bool matches(const std::string& pattern, const std::string& text) {
    std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

struct Failed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Keys by their German labels: scan code, and what a key-down types.
struct Key {
    int scanCode = 0;
    bool extended = false;
    int typed = 0; // 0: nothing
};
Key keyNamed(const std::string& name) {
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        return {letters[name[0] - 'a' + 1].scanCode, false, name[0]};
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '9')
        return {name[0] - '0' + 1, false, name[0]};
    if (name == "0")
        return {11, false, '0'};
    const std::map<std::string, Key> named = {{"esc", {1, false, 27}},
                                              {"enter", {28, false, 13}},
                                              {"space", {57, false, 32}},
                                              {"ctrl", {29, false, 0}},
                                              {"altgr", {56, true, 0}}};
    const auto found = named.find(name);
    if (found == named.end())
        throw Failed("no key named " + name);
    return found->second;
}

// Start window controls by name, in the program's creation order.
int controlNamed(const std::string& name) {
    const std::map<std::string, int> controls = {
        {"general", 1}, {"cities", 2}, {"countries", 3}, {"professions", 4}, {"random", 5},
        {"special", 6}, {"blind", 7},  {"normal", 9},    {"kamikaze", 10},   {"selbstmord", 11},
        {"play", 12},   {"enter", 12}, {"info", 13},     {"quit", 14}};
    const auto found = controls.find(name);
    if (found == controls.end())
        throw Failed("no start window control named " + name);
    return found->second;
}

constexpr int patience = 400; // passes an expectation may take

// The scripted back end with the scenario's steps fed in as the program asks.
class ScenarioBackend final : public platform::ScriptedBackend {
public:
    ScenarioBackend(const std::vector<Step>& steps, int wordLength, const std::string& data)
        : steps_(steps), wordLength_(wordLength), reader_(data) {}

    std::size_t next = 0; // the step to play next

    // Every wait of the program (and the start of every pass): the steps up
    // to the next one the program must act on first.
    void awaitEvents(std::uint64_t since, double deadline) override {
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
                    throw Failed(step.text() + " never came: " + seen());
                idle(1);
            } else {
                act(step);
                advance();
            }
        }
        ScriptedBackend::awaitEvents(since, deadline);
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
        const std::string pattern = step.rest.substr(step.args[0].size());
        if (pattern.size() > 1 && !matches(pattern.substr(1), text))
            throw Failed(step.text() + ": the box says \"" + text + "\"");
        const std::string& reply = step.args[0];
        answer(reply == "cancel" ? platform::MessageAnswer::Cancel
               : reply == "yes"  ? platform::MessageAnswer::Yes
                                 : platform::MessageAnswer::Ok);
        advance();
        // Once a game message is gone the game window behind it has the keys
        // again; a start window's own question gives them back to the form.
        if (strays && box.owner == platform::MessageBox::Owner::None)
            pass({{Kind::Activate}});
        return ScriptedBackend::showMessage(box);
    }

    void runStartWindow(platform::StartWindow& window) override {
        if (next < steps_.size() && steps_[next].verb == "expect" && steps_[next].rest == "form")
            advance();
        std::vector<bool> checked;
        for (std::size_t i = 0; i < window.controls().size(); ++i)
            checked.push_back(window.initiallyChecked(static_cast<int>(i)));
        for (;;) {
            playStrays();
            if (next == steps_.size() || steps_[next].verb != "form")
                throw Failed("the start window opened instead of " + nextText());
            const std::string control = steps_[next].rest;
            advance();
            if (control == "close")
                return; // the close box: the game starts
            const int index = controlNamed(control);
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
        return next == steps_.size() ? "the end of the scenario" : steps_[next].text();
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
        const std::string what = step.args.at(0);
        const std::string value =
            step.rest.size() > what.size() ? step.rest.substr(what.size() + 1) : "";
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
        throw Failed(step.text() + ": nothing of that name to expect");
    }

    // What a key-down types: nothing with Ctrl or AltGr held but letters' control codes.
    int typedBy(const Key& key) const {
        if (key.typed == 0 || altGr_)
            return 0;
        if (ctrl_)
            return key.typed >= 'a' && key.typed <= 'z' ? key.typed - 'a' + 1 : 0;
        return key.typed;
    }
    void keyDown(std::vector<ScriptEvent>& events, const Key& key) {
        events.push_back({Kind::KeyDown, key.scanCode});
        if (const int typed = typedBy(key))
            events.push_back({Kind::Key, typed, 1});
        ctrl_ = ctrl_ || key.scanCode == 29;
        altGr_ = altGr_ || (key.scanCode == 56 && key.extended);
    }
    void keyUp(std::vector<ScriptEvent>& events, const Key& key) {
        events.push_back({Kind::KeyUp, key.scanCode});
        if (key.scanCode == 29)
            ctrl_ = false;
        if (key.scanCode == 56 && key.extended)
            altGr_ = false;
    }

    void act(const Step& step) {
        const std::string& verb = step.verb;
        if (verb == "tap") {
            std::vector<ScriptEvent> events;
            keyDown(events, keyNamed(step.args.at(0)));
            keyUp(events, keyNamed(step.args.at(0)));
            pass(events);
        } else if (verb == "press") {
            for (const std::string& name : step.args) {
                std::vector<ScriptEvent> down, up;
                keyDown(down, keyNamed(name));
                keyUp(up, keyNamed(name));
                pass(down).pass(up);
            }
        } else if (verb == "down" || verb == "up") {
            std::vector<ScriptEvent> events;
            if (verb == "down")
                keyDown(events, keyNamed(step.args.at(0)));
            else
                keyUp(events, keyNamed(step.args.at(0)));
            pass(events);
        } else if (verb == "mouse-down") {
            const BoardFieldMiddle at = middleOf(step.args.at(0));
            pass({{Kind::Move, at.x, at.y}, {Kind::Buttons, 1}});
        } else if (verb == "mouse-up") {
            pass({{Kind::Buttons, 0}});
        } else if (verb == "touch") {
            const BoardFieldMiddle at =
                step.args.empty() ? BoardFieldMiddle{200, 200} : middleOf(step.args[0]);
            // A finger stays down a moment: the board's rectangles take a
            // pass each, as under the mouse's button.
            pass({{Kind::Move, at.x, at.y}, {Kind::Touch}});
            idle(buttonCount);
            pass({{Kind::Buttons, 0}});
        } else if (verb == "close") {
            close();
        } else if (verb == "wait") {
            idle(std::stoi(step.args.at(0)) / 5);
        } else {
            throw Failed(step.text() + " is not for this moment (the program is polling)");
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
                std::vector<ScriptEvent> events = {{Kind::Activate}};
                if (step.verb == "stray-close")
                    events.push_back({Kind::Close});
                for (const std::string& name : step.args) {
                    keyDown(events, keyNamed(name));
                    keyUp(events, keyNamed(name));
                }
                events.push_back({Kind::Deactivate});
                // What the player did before comes first; each wait with a
                // deadline gone plays one scripted pass.
                pass(events);
                while (pendingPasses() != 0)
                    ScriptedBackend::awaitEvents(0, 0.0);
                played = true;
            }
            advance();
        }
        return played;
    }

    struct BoardFieldMiddle {
        int x, y;
    };
    static BoardFieldMiddle middleOf(const std::string& letter) {
        if (letter.size() != 1 || letter[0] < 'a' || letter[0] > 'z')
            throw Failed("no board field for " + letter);
        const BoardField& f = boardFields[letter[0] - 'a' + 1];
        return {(f.x1 + f.x2) / 2, (f.y1 + f.y2) / 2};
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

std::string numbersFile(const std::vector<std::string>& numbers) {
    std::string text;
    for (const std::string& n : numbers)
        text += (n[0] == '-' ? "" : " ") + n + "\r\n";
    return text;
}

class Scenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(Scenarios, PlayedOnTheScriptedBackEnd) {
    const Scenario& scenario = GetParam();
    if (const auto why = scenario.notOn.find("scripted"); why != scenario.notOn.end())
        GTEST_SKIP() << why->second;
    // With its drive: under Wine the working folder below lies on another one.
    const std::string data = std::filesystem::absolute(test::dataDirectory()).string();
    test::TempDir dir;
    const std::vector<Step>& steps = scenario.steps;
    std::size_t first = 0;
    int wordLength = 0;
    bool windowFails = false, readsStderr = false;
    for (; first < steps.size(); ++first) {
        const Step& step = steps[first];
        if (step.verb == "words") {
            std::string list = "Allgemeine W\xF6rter\r\n";
            for (const std::string& word : step.args)
                list += word + "\r\n";
            writeFile("allgemeine W\xF6rter.txt", list);
            wordLength = static_cast<int>(step.args.at(0).size());
        } else if (step.verb == "highscores") {
            writeFile("Highscore.dat", numbersFile(step.args));
        } else if (step.verb == "window-fails") {
            windowFails = true;
        } else {
            break;
        }
    }
    for (const Step& step : steps)
        readsStderr = readsStderr || step.verb == "stderr";
    std::filesystem::copy_file(std::filesystem::path(data) / "Button2.galgen", "Button2.galgen");

    ScenarioBackend backend(steps, wordLength, data);
    backend.next = first;
    Program program(backend);
    program.programDirectory = data;
    if (windowFails)
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
            EXPECT_EQ(code, std::stoi(step.args.at(0))) << step.text();
        } else if (step.verb == "stderr") {
#ifdef __EMSCRIPTEN__
            // Under Node the error output cannot be taken over; the native
            // builds of this test read it.
            continue;
#endif
            std::istringstream lines(errors);
            bool found = false;
            for (std::string line; std::getline(lines, line);)
                found = found || matches(step.rest, line);
            EXPECT_TRUE(found) << step.text() << ": the error output was \"" << errors << "\"";
        } else if (step.verb == "written" && step.args.at(0) == "nothing") {
            EXPECT_FALSE(std::filesystem::exists("Highscore.dat")) << step.text();
            EXPECT_FALSE(std::filesystem::exists("Statistik.txt")) << step.text();
        } else if (step.verb == "written" && step.args.at(0) == "highscores") {
            EXPECT_EQ(test::readBytes("Highscore.dat"),
                      numbersFile({step.args.begin() + 1, step.args.end()}))
                << step.text();
        } else if (step.verb == "written" && step.args.at(0) == "statistics") {
            const std::string text = test::readBytes("Statistik.txt");
            std::size_t lines = 0;
            for (std::size_t at = text.find("\r\n"); at != std::string::npos;
                 at = text.find("\r\n", at + 2))
                ++lines;
            EXPECT_EQ(lines, std::stoul(step.args.at(1))) << step.text() << ": " << text;
        } else {
            ADD_FAILURE() << "the program ended with " << code << " before " << step.text();
            break;
        }
    }
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
