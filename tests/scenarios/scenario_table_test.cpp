// The scenario table's reader: what every driver is handed for a step.

#include "flow/start_window.hpp"
#include "scenarios/scenario_table.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace schlingo::test {
namespace {

std::vector<Scenario> read(const std::string& text, Driver driver = Driver::Scripted) {
    std::istringstream in(text);
    return readScenarios(in, driver);
}

TEST(ScenarioTable, GreetingsAreThreeBoxesAnsweredWithTheDriversEnter) {
    const auto table = read("scenario a\nwords hund\nform play\ngreetings\nclose\n", Driver::X11);
    ASSERT_EQ(table.size(), 1u);
    const auto& steps = table[0].steps;
    ASSERT_EQ(steps.size(), 5u);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(steps[i].verb, "box");
        EXPECT_EQ(steps[i].answer, "ok");
        EXPECT_EQ(steps[i].line, 4);
        EXPECT_EQ(steps[i].text, "greetings");
        ASSERT_EQ(steps[i].keys.size(), 1u);
        EXPECT_EQ(steps[i].keys[0].sent, "Return");
    }
    EXPECT_EQ(steps[4].verb, "close");
}

TEST(ScenarioTable, KeysAreWhatEachDriverSends) {
    struct Row {
        Driver driver;
        const char* name;
        const char* sent;
    };
    const Row rows[] = {
        {Driver::X11, "z", "y"},          {Driver::X11, "y", "z"},
        {Driver::X11, "esc", "Escape"},   {Driver::X11, "ctrl", "Control_L"},
        {Driver::Wine, "altgr", "Alt_R"}, {Driver::Wine, "a", "a"},
        {Driver::Sway, "z", "z"},         {Driver::Sway, "enter", "Return"},
        {Driver::Sway, "ctrl", "ctrl"},   {Driver::Web, "z", "KeyY"},
        {Driver::Web, "q", "KeyQ"},       {Driver::Web, "0", "Digit0"},
        {Driver::Web, "space", "Space"},  {Driver::Web, "altgr", "AltRight"},
        {Driver::Scripted, "esc", "esc"},
    };
    for (const Row& row : rows) {
        const auto table = read(std::string("scenario a\ntap ") + row.name + "\n", row.driver);
        EXPECT_EQ(table[0].steps.at(0).keys.at(0).sent, row.sent) << row.name;
    }
}

TEST(ScenarioTable, KeysCarryTheirPlaceAndWhatTheyType) {
    const auto steps = read("scenario a\npress z 0 esc altgr ctrl 1\n")[0].steps;
    const auto& keys = steps.at(0).keys;
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0].scanCode, 0x15); // the German Z sits where the US layout has Y
    EXPECT_EQ(keys[0].typed, 'z');
    EXPECT_EQ(keys[1].scanCode, 11);
    EXPECT_EQ(keys[1].typed, '0');
    EXPECT_EQ(keys[2].typed, 27);
    EXPECT_TRUE(keys[3].extended);
    EXPECT_EQ(keys[3].scanCode, 56);
    EXPECT_EQ(keys[3].typed, 0);
    EXPECT_FALSE(keys[4].extended);
    EXPECT_EQ(keys[4].scanCode, 29);
    EXPECT_EQ(keys[5].scanCode, 2);
}

TEST(ScenarioTable, ControlsAreThoseOfTheProgramsOwnStartWindow) {
    const struct {
        const char* name;
        const char* caption;
        bool ends;
    } rows[] = {{"general", "allgemeine W\xF6rter", false},
                {"cities",
                 "St\xE4"
                 "dte",
                 false},
                {"countries", "L\xE4nder/Staaten der Erde", false},
                {"professions", "Berufe", false},
                {"random", "Zufall", false},
                {"special", "Sonderzeichen", false},
                {"blind", "Blindmodus", false},
                {"normal", "Normalmodus", false},
                {"kamikaze", "Kamikazemodus", false},
                {"selbstmord", "Selbstmordmodus", false},
                {"play", "Schlingo spielen", true},
                {"enter", "Schlingo spielen", true},
                {"info", "Info", false},
                {"quit", "Beenden", false}};
    const auto& controls = startWindowControls();
    for (const auto& row : rows) {
        const auto step =
            read(std::string("scenario a\nform ") + row.name + "\n", Driver::Wine)[0].steps.at(0);
        ASSERT_GE(step.control, 0) << row.name;
        const auto& control = controls.at(step.control);
        EXPECT_EQ(control.caption, row.caption) << row.name;
        EXPECT_EQ(step.formEnds, row.ends) << row.name;
        // The click lands inside the control.
        EXPECT_GT(step.x, control.x) << row.name;
        EXPECT_LT(step.x, control.x + control.width) << row.name;
        EXPECT_GT(step.y, control.y) << row.name;
        EXPECT_LT(step.y, control.y + control.height) << row.name;
    }
}

TEST(ScenarioTable, EnterIsAKeyOnlyWhereTheStartWindowHasOne) {
    const auto web = read("scenario a\nform enter\nform close\n", Driver::Web)[0].steps;
    EXPECT_TRUE(web[0].viaKey);
    EXPECT_EQ(web[0].keys.at(0).sent, "Enter");
    EXPECT_TRUE(web[0].formEnds);
    EXPECT_EQ(web[1].control, -1);
    EXPECT_TRUE(web[1].formEnds);
    const auto gtk = read("scenario a\nform enter\n", Driver::X11)[0].steps;
    EXPECT_FALSE(gtk[0].viaKey);
    EXPECT_EQ(startWindowControls().at(gtk[0].control).caption, "Schlingo spielen");
}

TEST(ScenarioTable, TheSetUpBecomesTheWorkingFoldersFiles) {
    const auto table = read("scenario a\nwords b\xC3\xA4r hund\nhighscores 4 -1\nwindow-fails\n"
                            "form play\n"
                            "scenario b\nwords hund\nencoding utf16le\nform play\n"
                            "scenario c\nencoding utf8-bom\nwords b\xC3\xA4r\nform play\n");
    ASSERT_EQ(table.size(), 3u);
    ASSERT_EQ(table[0].files.size(), 2u);
    EXPECT_EQ(table[0].files[0].name, "allgemeine W\xC3\xB6rter.txt");
    EXPECT_EQ(table[0].files[0].bytes, "Allgemeine W\xF6rter\r\nb\xE4r\r\nhund\r\n");
    EXPECT_EQ(table[0].files[1].name, "Highscore.dat");
    EXPECT_EQ(table[0].files[1].bytes, " 4\r\n-1\r\n");
    EXPECT_TRUE(table[0].windowFails);
    EXPECT_EQ(table[0].wordLength, 3); // letters, not bytes
    ASSERT_EQ(table[0].steps.size(), 1u);
    EXPECT_EQ(table[1].files.at(0).bytes.substr(0, 6), std::string("\xFF\xFE"
                                                                   "A\0l\0",
                                                                   6));
    EXPECT_EQ(table[1].files.at(0).bytes.size(),
              2 + 2 * std::string("Allgemeine W?rter\r\nhund\r\n").size());
    EXPECT_FALSE(table[1].windowFails);
    // The encoding may come before the words.
    EXPECT_EQ(table[2].files.at(0).bytes, "\xEF\xBB\xBF"
                                          "Allgemeine W\xC3\xB6rter\r\nb\xC3\xA4r\r\n");
}

TEST(ScenarioTable, NotOnNamesOnlyTheDriversOwnBackEnd) {
    const std::string text = "scenario a\nnot-on x11 no touch screen\nnot-on web no reason\n";
    EXPECT_EQ(read(text, Driver::X11)[0].notOn, "no touch screen");
    EXPECT_EQ(read(text, Driver::Web)[0].notOn, "no reason");
    EXPECT_EQ(read(text, Driver::Sway)[0].notOn, "");
}

TEST(ScenarioTable, ExpectationsAndFilesWrittenAreRead) {
    const auto steps = read("scenario a\nexpect title Schlingo - Modus: Normal\nexpect list\n"
                            "box cancel Wirklich beenden?\nstderr Schlingo (*).\nwait 300\n"
                            "written highscores 0 10\nwritten statistics 2\nexit 1\n"
                            "mouse-down q\ntouch\n")[0]
                           .steps;
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[0].what, "title");
    EXPECT_EQ(steps[0].value, "Schlingo - Modus: Normal");
    EXPECT_EQ(steps[1].what, "list");
    EXPECT_EQ(steps[1].value, "");
    EXPECT_EQ(steps[2].answer, "cancel");
    EXPECT_EQ(steps[2].keys.at(0).name, "esc");
    EXPECT_EQ(steps[2].value, "Wirklich beenden?");
    EXPECT_EQ(steps[3].value, "Schlingo (*).");
    EXPECT_EQ(steps[4].number, 300);
    EXPECT_EQ(steps[5].bytes, " 0\r\n 10\r\n");
    EXPECT_EQ(steps[6].number, 2);
    EXPECT_EQ(steps[7].number, 1);
    // q's board field: (105, 256) to (132, 284).
    EXPECT_EQ(steps[8].x, 118);
    EXPECT_EQ(steps[8].y, 270);
    EXPECT_EQ(steps[9].x, -1);
}

TEST(ScenarioTable, AStepItCannotReadNamesItsLine) {
    const char* faults[] = {
        "scenario a\nform play\nfly away\n", "scenario a\ntap shift\n",
        "scenario a\nform help\n",           "scenario a\nform play\nwords hund\n",
        "scenario a\nwait soon\n",           "scenario a\nexpect colour\n",
        "scenario a\nbox maybe\n",           "scenario a\nwords hund\nencoding ebcdic\n",
        "scenario a\nnot-on amiga never\n",  "scenario a\nwritten letters\n",
    };
    for (const char* text : faults) {
        try {
            read(text);
            ADD_FAILURE() << "read without complaint: " << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()).rfind("line ", 0), 0u) << error.what();
        }
    }
}

TEST(ScenarioTable, StarPatterns) {
    const struct {
        const char* pattern;
        const char* text;
        bool matches;
    } rows[] = {
        {"Gratuliere*", "Gratuliere, das war das richtige Wort!", true},
        {"Sie haben leider verloren!*Wort: hund", "Sie haben leider verloren!\r\n\nWort: hund",
         true},
        {"Sie haben leider verloren!*Wort: hund", "Sie haben leider verloren! Wort: katze", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXcYb", false},
        {"*", "", true},
        {"", "x", false},
        {"x", "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(matchesPattern(row.pattern, row.text), row.matches)
            << row.pattern << " / " << row.text;
    EXPECT_EQ(patternRegex("nicht \xC3\xB6"
                           "ffnen (*)."),
              "^nicht \xC3\xB6"
              "ffnen \\(.*\\)\\.$");
    EXPECT_EQ(patternRegex(""), "^$");
}

TEST(ScenarioTable, PrintedOneRecordALine) {
    std::ostringstream out;
    writeScenarios(out, read("scenario a\nnot-on web why not\nwords hund\nform kamikaze\n"
                             "form enter\ngreetings\npress z esc\nmouse-down q\ntouch\n"
                             "expect word H---\nwritten highscores 1\nexit 0\n",
                             Driver::Web));
    const int kamikaze = read("scenario a\nform kamikaze\n")[0].steps[0].control;
    const auto& control = startWindowControls().at(kamikaze);
    EXPECT_EQ(out.str(), "scenario\ta\n"
                         "not-on\twhy not\n"
                         "file\tallgemeine W\xC3\xB6rter.txt\t" +
                             hexOf("Allgemeine W\xF6rter\r\nhund\r\n") +
                             "\n"
                             "word-length\t4\n"
                             "step\t4\tform kamikaze\tform\tclick\t" +
                             std::to_string(kamikaze) + "\t" + std::to_string(control.x + 25) +
                             "\t" + std::to_string(control.y + control.height / 2) +
                             "\tstays\n"
                             "step\t5\tform enter\tform\tkey\tEnter\tends\n"
                             "step\t6\tgreetings\tbox\tok\tEnter\t^.*$\n"
                             "step\t6\tgreetings\tbox\tok\tEnter\t^.*$\n"
                             "step\t6\tgreetings\tbox\tok\tEnter\t^.*$\n"
                             "step\t7\tpress z esc\tpress\tKeyY\tEscape\n"
                             "step\t8\tmouse-down q\tmouse-down\t118\t270\n"
                             "step\t9\ttouch\ttouch\n"
                             "step\t10\texpect word H---\texpect\tword\tH---\n"
                             "step\t11\twritten highscores 1\twritten\thighscores\t2031"
                             "0d0a\n"
                             "step\t12\texit 0\texit\t0\n");
}

// The table itself reads for every driver, and every scenario plays something.
TEST(ScenarioTable, TheRealTableReadsForEveryDriver) {
    for (const char* name : {"scripted", "x11", "sway", "wine", "web"}) {
        std::ifstream in(std::string(SCHLINGO_SOURCE_DIR) + "/tests/scenarios/scenarios.txt");
        const auto table = readScenarios(in, *driverNamed(name));
        EXPECT_GE(table.size(), 5u) << name;
        for (const Scenario& scenario : table) {
            EXPECT_FALSE(scenario.steps.empty()) << scenario.name;
            EXPECT_GT(scenario.wordLength, 0) << scenario.name;
        }
    }
    EXPECT_FALSE(driverNamed("amiga"));
}

} // namespace
} // namespace schlingo::test
