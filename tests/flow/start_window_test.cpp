#include "flow/start_window.hpp"

#include "platform/machine/random.hpp"
#include "schlingo_version.hpp"
#include "support/scripted_program.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace schlingo {
namespace {

using platform::MessageAnswer;
using platform::MessageBox;
using platform::ScriptedExit;
using platform::StartWindow;
using Reply = StartWindow::Reply;

// Control indexes in creation order.
enum {
    wordFileBox,
    generalWords,
    cities,
    countries,
    professions,
    randomPick,
    specialLettersBox,
    blindModeBox,
    optionsBox,
    normalMode,
    kamikaze,
    selbstmord,
    playButton,
    infoButton,
    quitButton
};

std::vector<int> checkedControls(const StartWindowLogic& window) {
    std::vector<int> checked;
    for (int i = 0; i < static_cast<int>(window.controls().size()); ++i)
        if (window.initiallyChecked(i))
            checked.push_back(i);
    return checked;
}

TEST(StartWindow, FifteenControlsWithCaptionRectangleKindAndGroup) {
    using K = StartWindow::Kind;
    // Only the group boxes start groups, so the mode buttons, created after
    // "Optionen", group apart from the categories.
    const StartWindow::Control expected[] = {
        {K::GroupBox, "W\xF6rterdatei?", 10, 60, 208, 127, true},
        {K::RadioButton, "allgemeine W\xF6rter", 15, 80, 195, 20, false},
        {K::RadioButton, "St\xE4\x64te", 15, 100, 195, 20, false},
        {K::RadioButton, "L\xE4nder/Staaten der Erde", 15, 120, 195, 20, false},
        {K::RadioButton, "Berufe", 15, 140, 195, 20, false},
        {K::RadioButton, "Zufall", 15, 160, 195, 20, false},
        {K::CheckBox, "Sonderzeichen", 260, 80, 137, 20, false},
        {K::CheckBox, "Blindmodus", 260, 100, 137, 20, false},
        {K::GroupBox, "Optionen", 250, 60, 152, 128, true},
        {K::RadioButton, "Normalmodus", 260, 120, 137, 20, false},
        {K::RadioButton, "Kamikazemodus", 260, 140, 137, 20, false},
        {K::RadioButton, "Selbstmordmodus", 260, 160, 137, 20, false},
        {K::PushButton, "Schlingo spielen", 54, 10, 295, 22, false},
        {K::PushButton, "Info", 325, 205, 70, 22, false},
        {K::PushButton, "Beenden", 5, 205, 170, 22, false},
    };
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    const auto& controls = window.controls();
    ASSERT_EQ(controls.size(), std::size(expected));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& c = controls[i];
        const auto& e = expected[i];
        EXPECT_EQ(std::tie(c.caption, c.x, c.y, c.width, c.height, c.startsGroup),
                  std::tie(e.caption, e.x, e.y, e.width, e.height, e.startsGroup));
        EXPECT_EQ(c.kind, e.kind) << e.caption;
    }
    EXPECT_EQ(window.title(), "Schlingo");
    EXPECT_EQ(window.outerWidth(), 410);
    EXPECT_EQ(window.outerHeight(), 270);
}

TEST(StartWindow, InitialChecksFollowTheOptions) {
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    Options& o = s.program.options;

    // First start: category 0 shows the general list, Normal mode, both boxes clear.
    EXPECT_EQ(checkedControls(window), (std::vector<int>{generalWords, normalMode}));

    o.category = 3;
    o.kamikazeMode = 1;
    o.specialLetters = 1;
    EXPECT_EQ(checkedControls(window), (std::vector<int>{countries, specialLettersBox, kamikaze}));

    o.category = 5; // drawn by "Zufall" but no longer random: the general list
    o.kamikazeMode = 0;
    o.selbstmordMode = 1;
    o.specialLetters = 0;
    o.blindMode = 1;
    EXPECT_EQ(checkedControls(window), (std::vector<int>{generalWords, blindModeBox, selbstmord}));

    // In random mode the drawn category stays hidden behind "Zufall".
    o.randomCategory = 1;
    o.category = 2;
    EXPECT_EQ(checkedControls(window), (std::vector<int>{randomPick, blindModeBox, selbstmord}));
}

TEST(StartWindow, CategoryClicksSetCategoryTriesAndReloadTheList) {
    struct Case {
        int control, category, maxTries;
    };
    for (const Case c : {Case{generalWords, 1, 11}, Case{cities, 2, 9}, Case{countries, 3, 6},
                         Case{professions, 4, 8}}) {
        test::ScriptedProgram s;
        StartWindowLogic window(s.program);
        s.program.options.randomCategory = 1;
        s.program.words.wordListLoaded = 1;
        EXPECT_EQ(window.clicked(c.control, true), Reply::KeepOpen);
        EXPECT_EQ(s.program.options.category, c.category);
        EXPECT_EQ(s.program.options.maxTries, c.maxTries);
        EXPECT_EQ(s.program.options.randomCategory, 0);
        EXPECT_EQ(s.program.words.wordListLoaded, 0);
    }

    // Clicking the checked category again applies it again.
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    window.clicked(cities, true);
    s.program.words.wordListLoaded = 1;
    s.program.options.maxTries = 3;
    window.clicked(cities, true);
    EXPECT_EQ(s.program.words.wordListLoaded, 0);
    EXPECT_EQ(s.program.options.maxTries, 9);
}

TEST(StartWindow, RandomCategoryIsDrawnFromTheGameGenerator) {
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    s.program.random.randomize(1234.0);
    s.program.words.wordListLoaded = 1;
    platform::Random expected;
    expected.randomize(1234.0);

    for (int i = 0; i < 20; ++i) {
        window.clicked(randomPick, true);
        EXPECT_EQ(s.program.options.category, platform::randomCategory(expected));
        EXPECT_GE(s.program.options.category, 1);
        EXPECT_LE(s.program.options.category, 5);
        EXPECT_EQ(s.program.options.randomCategory, 1);
        EXPECT_EQ(s.program.options.maxTries, 8);
    }
    // Random mode clears the list before every word itself.
    EXPECT_EQ(s.program.words.wordListLoaded, 1);
}

TEST(StartWindow, ModeAndOptionClicks) {
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    Options& o = s.program.options;

    window.clicked(kamikaze, true);
    EXPECT_EQ(o.kamikazeMode, 1);
    EXPECT_EQ(o.selbstmordMode, 0);
    window.clicked(selbstmord, true);
    EXPECT_EQ(o.kamikazeMode, 0);
    EXPECT_EQ(o.selbstmordMode, 1);
    window.clicked(normalMode, true);
    EXPECT_EQ(o.kamikazeMode, 0);
    EXPECT_EQ(o.selbstmordMode, 0);

    // Check boxes copy the state the control reports after the click.
    window.clicked(specialLettersBox, true);
    window.clicked(blindModeBox, true);
    EXPECT_EQ(o.specialLetters, 1);
    EXPECT_EQ(o.blindMode, 1);
    window.clicked(specialLettersBox, false);
    EXPECT_EQ(o.specialLetters, 0);
    EXPECT_EQ(o.blindMode, 1);

    // Group boxes do nothing; only the play button closes the window.
    const Options before = o;
    EXPECT_EQ(window.clicked(wordFileBox, false), Reply::KeepOpen);
    EXPECT_EQ(window.clicked(optionsBox, false), Reply::KeepOpen);
    EXPECT_EQ(o.maxTries, before.maxTries);
    EXPECT_EQ(o.category, before.category);
    EXPECT_EQ(window.clicked(playButton, false), Reply::Destroy);
    EXPECT_TRUE(s.backend.messages().empty());
}

TEST(StartWindow, InfoShowsTheAboutTextOwnedByTheWindow) {
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    EXPECT_EQ(window.clicked(infoButton, false), Reply::KeepOpen);
    ASSERT_EQ(s.backend.messages().size(), 1u);
    const MessageBox& box = s.backend.messages()[0].box;
    EXPECT_EQ(box.text, infoText);
    // The version of the whole project, as the packages and --version carry it.
    EXPECT_EQ(box.text.rfind(std::string("Schlingo ") + SCHLINGO_VERSION +
                                 "\r\n\r\nGalgenm\xE4nnchen einmal anders",
                             0),
              0u);
    EXPECT_NE(box.text.find("Esc beendet das Programm."), std::string::npos);
    EXPECT_EQ(box.title, "Schlingo");
    EXPECT_EQ(box.icon, MessageBox::Icon::Information);
    EXPECT_EQ(box.buttons, MessageBox::Buttons::Ok);
    EXPECT_EQ(box.owner, MessageBox::Owner::StartWindow);
    EXPECT_FALSE(box.systemModal);
}

TEST(StartWindow, QuitAsksAndOnlyYesEndsTheProcess) {
    test::ScriptedProgram s;
    StartWindowLogic window(s.program);
    window.clicked(countries, true);
    window.clicked(blindModeBox, true);
    const Options before = s.program.options;

    s.backend.answer(MessageAnswer::No).answer(MessageAnswer::Cancel).answer(MessageAnswer::Yes);
    EXPECT_EQ(window.clicked(quitButton, false), Reply::KeepOpen);
    EXPECT_EQ(window.clicked(quitButton, false), Reply::KeepOpen);
    EXPECT_FALSE(s.backend.exitCode().has_value());
    EXPECT_EQ(s.program.options.category, before.category);
    EXPECT_EQ(s.program.options.maxTries, before.maxTries);
    EXPECT_EQ(s.program.options.blindMode, before.blindMode);

    try {
        window.clicked(quitButton, false);
        ADD_FAILURE() << "Ja did not end the process";
    } catch (const ScriptedExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    ASSERT_EQ(s.backend.messages().size(), 3u);
    for (const auto& record : s.backend.messages()) {
        EXPECT_EQ(record.box.text, "Wirklich beenden?");
        EXPECT_EQ(record.box.title, "Schlingo");
        EXPECT_EQ(record.box.icon, MessageBox::Icon::Question);
        EXPECT_EQ(record.box.buttons, MessageBox::Buttons::YesNoCancel);
        EXPECT_EQ(record.box.owner, MessageBox::Owner::StartWindow);
    }
    EXPECT_FALSE(s.backend.windowOpen()); // the game never showed
}

} // namespace
} // namespace schlingo
