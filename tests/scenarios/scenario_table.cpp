#include "scenarios/scenario_table.hpp"

#include "flow/start_window.hpp"
#include "platform/machine/text_codec.hpp"
#include "presentation/letter_board.hpp"
#include "state/letters.hpp"

#include <algorithm>
#include <map>
#include <sstream>
#include <stdexcept>

namespace schlingo::test {

namespace {

using Kind = platform::StartWindow::Kind;

struct Line {
    int number;
    std::string text, verb, rest;
    std::vector<std::string> args;
    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error("line " + std::to_string(number) + " \"" + text + "\": " + why);
    }
};

// The driver's name for a key. X here has a US layout (the desktop driver
// sets it), where the German Z sits on y; the page names places by
// KeyboardEvent.code, which is the US layout's too.
std::string sentFor(Driver driver, const std::string& name) {
    const bool letter = name.size() == 1 && name[0] >= 'a' && name[0] <= 'z';
    const bool digit = name.size() == 1 && name[0] >= '0' && name[0] <= '9';
    const std::string swapped = name == "z" ? "y" : name == "y" ? "z" : name;
    switch (driver) {
    case Driver::Scripted:
        return name;
    case Driver::Sway:
        return name == "esc" ? "Escape" : name == "enter" ? "Return" : name;
    case Driver::X11:
    case Driver::Wine: {
        static const std::map<std::string, std::string> named = {
            {"esc", "Escape"}, {"enter", "Return"}, {"ctrl", "Control_L"}, {"altgr", "Alt_R"}};
        const auto found = named.find(name);
        return found != named.end() ? found->second : swapped;
    }
    case Driver::Web: {
        if (letter)
            return "Key" + std::string(1, static_cast<char>(swapped[0] - 'a' + 'A'));
        if (digit)
            return "Digit" + name;
        static const std::map<std::string, std::string> named = {{"esc", "Escape"},
                                                                 {"enter", "Enter"},
                                                                 {"space", "Space"},
                                                                 {"ctrl", "ControlLeft"},
                                                                 {"altgr", "AltRight"}};
        return named.at(name);
    }
    }
    return name;
}

ScenarioKey keyNamed(const Line& line, Driver driver, const std::string& name) {
    ScenarioKey key{name, 0, false, 0, ""};
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') {
        key.scanCode = letters[name[0] - 'a' + 1].scanCode;
        key.typed = name[0];
    } else if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') {
        key.scanCode = name[0] - '0' + 1;
        key.typed = name[0];
    } else if (name == "0") {
        key.scanCode = 11;
        key.typed = '0';
    } else {
        static const std::map<std::string, ScenarioKey> named = {
            {"esc", {"esc", 1, false, 27, ""}},
            {"enter", {"enter", 28, false, 13, ""}},
            {"space", {"space", 57, false, 32, ""}},
            {"ctrl", {"ctrl", 29, false, 0, ""}},
            {"altgr", {"altgr", 56, true, 0, ""}}};
        const auto found = named.find(name);
        if (found == named.end())
            line.fail("no key named " + name);
        key = found->second;
    }
    key.sent = sentFor(driver, name);
    return key;
}

// The table's names of the start window's controls, by their captions in the
// program's own list (Windows-1252).
int controlIndex(const Line& line, const std::string& name) {
    static const std::map<std::string, std::string> captions = {
        {"general", "allgemeine W\xF6rter"},
        {"cities", "St\xE4"
                   "dte"},
        {"countries", "L\xE4nder/Staaten der Erde"},
        {"professions", "Berufe"},
        {"random", "Zufall"},
        {"special", "Sonderzeichen"},
        {"blind", "Blindmodus"},
        {"normal", "Normalmodus"},
        {"kamikaze", "Kamikazemodus"},
        {"selbstmord", "Selbstmordmodus"},
        {"play", "Schlingo spielen"},
        {"info", "Info"},
        {"quit", "Beenden"}};
    const auto caption = captions.find(name);
    if (caption == captions.end())
        line.fail("no start window control named " + name);
    const auto& controls = startWindowControls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].caption == caption->second)
            return static_cast<int>(i);
    line.fail("the start window has no control \"" + platform::cp1252ToUtf8(caption->second) +
              "\"");
}

void fieldMiddle(const Line& line, const std::string& letter, ScenarioStep& step) {
    if (letter.size() != 1 || letter[0] < 'a' || letter[0] > 'z')
        line.fail("no board field for " + letter);
    const BoardField& f = boardFields[letter[0] - 'a' + 1];
    step.x = (f.x1 + f.x2) / 2;
    step.y = (f.y1 + f.y2) / 2;
}

std::string numbersFile(const std::vector<std::string>& numbers) {
    std::string text;
    for (const std::string& n : numbers)
        text += (n[0] == '-' ? "" : " ") + n + "\r\n";
    return text;
}

int number(const Line& line, const std::string& text) {
    try {
        std::size_t used = 0;
        const int n = std::stoi(text, &used);
        if (used == text.size())
            return n;
    } catch (const std::exception&) {
    }
    line.fail("\"" + text + "\" is no number");
}

// The word list's bytes: a heading, then the words, saved in an encoding.
std::string wordList(const Line& line, const std::vector<std::string>& words,
                     const std::string& encoding) {
    std::string text = "Allgemeine W\xC3\xB6rter\r\n";
    for (const std::string& word : words)
        text += word + "\r\n";
    if (encoding == "utf8")
        return text;
    if (encoding == "utf8-bom")
        return "\xEF\xBB\xBF" + text;
    const auto cp1252 = platform::utf8ToCp1252(text);
    if (!cp1252)
        line.fail("a word Windows-1252 cannot hold");
    if (encoding == "cp1252")
        return *cp1252;
    if (encoding != "utf16le")
        line.fail("no encoding named " + encoding);
    std::string utf16 = "\xFF\xFE";
    for (const char c : *cp1252) {
        // Windows-1252's letters here are all Latin-1, where the code point is the byte.
        utf16 += c;
        utf16 += '\0';
    }
    return utf16;
}

int letterCount(const std::string& utf8) {
    int count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

Line split(int number, const std::string& text) {
    Line line{number, text, "", "", {}};
    std::istringstream words(text);
    words >> line.verb;
    std::getline(words >> std::ws, line.rest);
    std::istringstream args(line.rest);
    for (std::string arg; args >> arg;)
        line.args.push_back(arg);
    return line;
}

void needArgs(const Line& line, std::size_t count) {
    if (line.args.size() < count)
        line.fail("too few words");
}

ScenarioStep stepOf(const Line& line, Driver driver) {
    ScenarioStep step;
    step.line = line.number;
    step.text = line.text;
    step.verb = line.verb;
    const std::string& verb = line.verb;
    if (verb == "form") {
        needArgs(line, 1);
        const std::string& name = line.args[0];
        step.formEnds = name == "play" || name == "enter" || name == "close";
        if (name == "close")
            return step;
        if (name == "enter" && driver == Driver::Web) {
            step.viaKey = true;
            step.keys.push_back(keyNamed(line, driver, "enter"));
            return step;
        }
        // Elsewhere the start window has no key for it: "Schlingo spielen" clicked.
        step.control = controlIndex(line, name == "enter" ? "play" : name);
        const auto& c = startWindowControls()[step.control];
        // Buttons in their middle; a choice on its box or the caption's first letters.
        step.x = c.x + (c.kind == Kind::PushButton ? c.width / 2 : std::min(c.width / 2, 25));
        step.y = c.y + c.height / 2;
    } else if (verb == "box") {
        needArgs(line, 1);
        step.answer = line.args[0];
        if (step.answer != "ok" && step.answer != "yes" && step.answer != "cancel")
            line.fail("no answer named " + step.answer);
        step.keys.push_back(keyNamed(line, driver, step.answer == "cancel" ? "esc" : "enter"));
        step.value = line.rest.size() > step.answer.size()
                         ? line.rest.substr(line.rest.find_first_not_of(" \t", step.answer.size()))
                         : "";
    } else if (verb == "tap" || verb == "down" || verb == "up") {
        needArgs(line, 1);
        step.keys.push_back(keyNamed(line, driver, line.args[0]));
    } else if (verb == "press" || verb == "stray") {
        if (verb == "press")
            needArgs(line, 1);
        for (const std::string& name : line.args)
            step.keys.push_back(keyNamed(line, driver, name));
    } else if (verb == "mouse-down") {
        needArgs(line, 1);
        fieldMiddle(line, line.args[0], step);
    } else if (verb == "touch") {
        if (!line.args.empty())
            fieldMiddle(line, line.args[0], step);
    } else if (verb == "wait" || verb == "exit") {
        needArgs(line, 1);
        step.number = number(line, line.args[0]);
    } else if (verb == "expect") {
        needArgs(line, 1);
        step.what = line.args[0];
        static const std::vector<std::string> known = {"title", "tries", "word",
                                                       "used",  "list",  "form"};
        if (std::find(known.begin(), known.end(), step.what) == known.end())
            line.fail("nothing named " + step.what + " to expect");
        step.value =
            line.rest.size() > step.what.size() ? line.rest.substr(step.what.size() + 1) : "";
    } else if (verb == "stderr") {
        needArgs(line, 1);
        step.value = line.rest;
    } else if (verb == "written") {
        needArgs(line, 1);
        step.what = line.args[0];
        if (step.what == "highscores") {
            step.bytes = numbersFile({line.args.begin() + 1, line.args.end()});
        } else if (step.what == "statistics") {
            needArgs(line, 2);
            step.number = number(line, line.args[1]);
        } else if (step.what != "nothing") {
            line.fail("no file named " + step.what);
        }
    } else if (verb != "mouse-up" && verb != "close" && verb != "stray-close") {
        line.fail("no such step");
    }
    return step;
}

} // namespace

std::optional<Driver> driverNamed(std::string_view name) {
    static const std::map<std::string_view, Driver> drivers = {{"scripted", Driver::Scripted},
                                                               {"x11", Driver::X11},
                                                               {"sway", Driver::Sway},
                                                               {"wine", Driver::Wine},
                                                               {"web", Driver::Web}};
    const auto found = drivers.find(name);
    if (found == drivers.end())
        return std::nullopt;
    return found->second;
}

std::vector<Scenario> readScenarios(std::istream& in, Driver driver) {
    static const std::map<Driver, std::string> backEnds = {{Driver::Scripted, "scripted"},
                                                           {Driver::X11, "x11"},
                                                           {Driver::Sway, "sway"},
                                                           {Driver::Wine, "wine"},
                                                           {Driver::Web, "web"}};
    std::vector<Scenario> table;
    std::vector<std::string> words;
    std::string encoding = "cp1252";
    int wordsLine = 0;
    const auto finishSetUp = [&](const Line& line) {
        if (wordsLine == 0)
            return;
        table.back().files.insert(table.back().files.begin(), {"allgemeine W\xC3\xB6rter.txt",
                                                               wordList(line, words, encoding)});
        table.back().wordLength = letterCount(words.at(0));
        wordsLine = 0;
    };
    bool settingUp = false;
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#')
            continue;
        const Line line = split(n, text.substr(first));
        if (line.verb == "scenario") {
            if (!table.empty())
                finishSetUp(line);
            table.push_back({line.rest, "", {}, false, 0, {}});
            words.clear();
            encoding = "cp1252";
            settingUp = true;
            continue;
        }
        if (table.empty())
            line.fail("a step before the first scenario");
        Scenario& scenario = table.back();
        if (line.verb == "not-on") {
            needArgs(line, 2);
            if (!driverNamed(line.args[0]))
                line.fail("no back end named " + line.args[0]);
            if (backEnds.at(driver) == line.args[0])
                scenario.notOn = line.rest.substr(line.rest.find(' ') + 1);
            continue;
        }
        const bool setUp = line.verb == "words" || line.verb == "encoding" ||
                           line.verb == "highscores" || line.verb == "window-fails";
        if (setUp && !settingUp)
            line.fail("set-up after the program started");
        if (line.verb == "words") {
            needArgs(line, 1);
            words = line.args;
            wordsLine = n;
        } else if (line.verb == "encoding") {
            needArgs(line, 1);
            encoding = line.args[0];
        } else if (line.verb == "highscores") {
            scenario.files.push_back({"Highscore.dat", numbersFile(line.args)});
        } else if (line.verb == "window-fails") {
            scenario.windowFails = true;
        } else {
            if (settingUp)
                finishSetUp(line);
            settingUp = false;
            if (line.verb == "greetings") {
                for (int i = 0; i < 3; ++i)
                    scenario.steps.push_back(stepOf(split(n, "box ok"), driver));
                for (int i = 1; i <= 3; ++i) {
                    scenario.steps.end()[-i].text = line.text;
                }
            } else {
                scenario.steps.push_back(stepOf(line, driver));
            }
        }
    }
    if (!table.empty() && settingUp)
        finishSetUp(split(0, "end"));
    return table;
}

bool matchesPattern(std::string_view pattern, std::string_view text) {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
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

std::string patternRegex(std::string_view pattern) {
    std::string regex = "^";
    for (const char c : pattern) {
        if (c == '*')
            regex += ".*";
        else if (std::string_view("\\.[](){}+?^$|/").find(c) != std::string_view::npos)
            regex += std::string("\\") + c;
        else
            regex += c;
    }
    return regex + "$";
}

std::string hexOf(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 15];
    }
    return hex.empty() ? "-" : hex;
}

void writeScenarios(std::ostream& out, const std::vector<Scenario>& table) {
    const auto keys = [](const ScenarioStep& step) {
        std::string sent;
        for (const ScenarioKey& key : step.keys)
            sent += "\t" + key.sent;
        return sent;
    };
    for (const Scenario& scenario : table) {
        out << "scenario\t" << scenario.name << "\n";
        if (!scenario.notOn.empty())
            out << "not-on\t" << scenario.notOn << "\n";
        for (const ScenarioFile& file : scenario.files)
            out << "file\t" << file.name << "\t" << hexOf(file.bytes) << "\n";
        if (scenario.windowFails)
            out << "window-fails\n";
        out << "word-length\t" << scenario.wordLength << "\n";
        for (const ScenarioStep& step : scenario.steps) {
            out << "step\t" << step.line << "\t" << step.text << "\t" << step.verb;
            const std::string& v = step.verb;
            if (v == "form" && step.viaKey)
                out << "\tkey" << keys(step);
            else if (v == "form" && step.control < 0)
                out << "\tclose";
            else if (v == "form")
                out << "\tclick\t" << step.control << "\t" << step.x << "\t" << step.y;
            if (v == "form")
                out << "\t" << (step.formEnds ? "ends" : "stays");
            if (v == "box")
                out << "\t" << step.answer << keys(step) << "\t"
                    << patternRegex(step.value.empty() ? "*" : step.value);
            if (v == "tap" || v == "down" || v == "up" || v == "press" || v == "stray")
                out << keys(step);
            if ((v == "mouse-down" || v == "touch") && step.x >= 0)
                out << "\t" << step.x << "\t" << step.y;
            if (v == "wait" || v == "exit")
                out << "\t" << step.number;
            if (v == "expect")
                out << "\t" << step.what << (step.value.empty() ? "" : "\t" + step.value);
            if (v == "stderr")
                out << "\t" << patternRegex(step.value);
            if (v == "written") {
                out << "\t" << step.what;
                if (step.what == "highscores")
                    out << "\t" << hexOf(step.bytes);
                if (step.what == "statistics")
                    out << "\t" << step.number;
            }
            out << "\n";
        }
    }
}

} // namespace schlingo::test
