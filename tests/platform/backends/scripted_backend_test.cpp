#include "platform/backends/scripted/scripted_backend.hpp"

#include "platform/machine/display.hpp"

#include <gtest/gtest.h>

namespace schlingo::platform {
namespace {

// Two radio groups and a check box, like the start window's layout.
class TwoGroups final : public StartWindow {
public:
    std::string title() const override { return "T"; }
    int outerWidth() const override { return 100; }
    int outerHeight() const override { return 50; }
    const std::vector<Control>& controls() const override { return controls_; }
    bool initiallyChecked(int index) const override { return index == 1 || index == 5; }
    Reply clicked(int index, bool nowChecked) override {
        clicks.emplace_back(index, nowChecked);
        return index == 6 ? Reply::Destroy : Reply::KeepOpen;
    }
    std::vector<std::pair<int, bool>> clicks;

private:
    std::vector<Control> controls_{{Kind::GroupBox, "A", 0, 0, 1, 1, true},
                                   {Kind::RadioButton, "a1", 0, 0, 1, 1, false},
                                   {Kind::RadioButton, "a2", 0, 0, 1, 1, false},
                                   {Kind::CheckBox, "c", 0, 0, 1, 1, false},
                                   {Kind::GroupBox, "B", 0, 0, 1, 1, true},
                                   {Kind::RadioButton, "b1", 0, 0, 1, 1, false},
                                   {Kind::PushButton, "go", 0, 0, 1, 1, false},
                                   {Kind::PushButton, "after", 0, 0, 1, 1, false}};
};

TEST(ScriptedStartWindow, RadioButtonsUncheckOnlyTheirOwnGroupAndCheckBoxesToggle) {
    ScriptedBackend backend;
    TwoGroups window;
    backend.startWindow({{2, 3, 3, 3, 6, 7}});
    backend.runStartWindow(window);

    // The play button ended the session: the click after it never happened.
    const std::vector<std::pair<int, bool>> expected{
        {2, true}, {3, true}, {3, false}, {3, true}, {6, false}};
    EXPECT_EQ(window.clicks, expected);
    const auto& record = backend.startWindows().at(0);
    EXPECT_EQ(record.initiallyChecked,
              (std::vector<bool>{false, true, false, false, false, true, false, false}));
    EXPECT_EQ(record.finallyChecked,
              (std::vector<bool>{false, false, true, true, false, true, false, false}));
}

TEST(ScriptedStartWindow, NoSessionLeftIsAnErrorNotAHang) {
    ScriptedBackend backend;
    TwoGroups window;
    EXPECT_THROW(backend.runStartWindow(window), ScriptExhausted);
    EXPECT_EQ(backend.startWindows().size(), 1u);
}

TEST(ScriptedMessages, AnswersInOrderAndQuestionsNeedAnAnswer) {
    ScriptedBackend backend;
    backend.answer(MessageAnswer::No);
    MessageBox question{"Wirklich?",
                        "Schlingo",
                        MessageBox::Icon::Question,
                        MessageBox::Buttons::YesNoCancel,
                        MessageBox::Owner::StartWindow,
                        false};
    EXPECT_EQ(backend.showMessage(question), MessageAnswer::No);
    EXPECT_EQ(backend.showMessage(MessageBox{"Hallo"}), MessageAnswer::Ok);
    EXPECT_THROW(backend.showMessage(question), ScriptExhausted);
    EXPECT_EQ(backend.messageTexts(),
              (std::vector<std::string>{"Wirklich?", "Hallo", "Wirklich?"}));
}

TEST(ScriptedProcess, ExitIsRecordedAndUnwinds) {
    ScriptedBackend backend;
    try {
        backend.exitProcess(3);
        FAIL() << "exitProcess returned";
    } catch (const ScriptedExit& exit) {
        EXPECT_EQ(exit.code, 3);
    }
    EXPECT_EQ(backend.exitCode(), 3);
}

TEST(ScriptedClock, OnlyWaitsWithADeadlineMoveIt) {
    ScriptedBackend backend;
    backend.setTimerSeconds(5.0);
    backend.idle(2);
    backend.pumpEvents(0, 5.25);
    backend.pumpEvents(0, 1.0);
    EXPECT_DOUBLE_EQ(backend.timerSeconds(), 5.25);
    EXPECT_THROW(backend.pumpEvents(0, noDeadline), ScriptExhausted);
    // Asked to, the script plays its passes and then idles instead of ending.
    backend.idle(1).idleUntilTheEnd();
    for (int wait = 0; wait < 3; ++wait)
        EXPECT_NO_THROW(backend.pumpEvents(0, 5.0));
    EXPECT_EQ(backend.pendingPasses(), 0);
}

TEST(ScriptedPasses, EachPassBeginsWithOneScriptedPassAndANewWindowActivatesFirst) {
    ScriptedBackend backend;
    Display display(backend);
    backend.moveTo(10, 20).press(30).tap(18).touch(5, 6).close();
    display.screen.openScreen(940, 320, 32, 1, 0);
    Input& input = display.input;

    EXPECT_EQ(input.beginPass().mouse.status, 1); // activated, pointer not yet inside
    const MouseState inside = input.beginPass().mouse;
    EXPECT_EQ(inside.status, 0);
    EXPECT_EQ(inside.x, 10);
    EXPECT_EQ(inside.y, 20);
    EXPECT_TRUE(input.beginPass().keys[30]);
    EXPECT_FALSE(input.beginPass().keys[30]);
    EXPECT_TRUE(input.beginPass().keys[18]) << "a tap within one scripted pass";
    EXPECT_FALSE(input.beginPass().keys[18]);
    EXPECT_EQ(input.readMouse().buttons, 1) << "the finger";
    input.sleepFor(-1);
    EXPECT_EQ(input.readKey(), "") << "a touch ended the wait without typing";
    EXPECT_EQ(input.beginPass().mouse.buttons, 0);
    input.beginPass();
    EXPECT_EQ(input.readKey(), std::string("\xFFk"));
    EXPECT_THROW(input.beginPass(), ScriptExhausted);
    EXPECT_EQ(backend.windowsOpened().size(), 1u);
    EXPECT_GT(backend.rowsPresented(), 0); // the cleared screen was shown
}

TEST(ScriptedWindows, AWindowThatCannotBeMadeEndsTheProgramWithItsReason) {
    ScriptedBackend backend;
    Display display(backend);
    backend.failWindow("keine Leinwand");
    EXPECT_THROW(display.screen.openScreen(940, 320, 32, 1, 0), ScriptedExit);
    EXPECT_EQ(backend.exitCode(), 1);
    EXPECT_EQ(backend.messageTexts(),
              (std::vector<std::string>{
                  "Schlingo kann das Spielfenster nicht \366ffnen (keine Leinwand)."}));
    EXPECT_FALSE(backend.windowOpen());
}

} // namespace
} // namespace schlingo::platform
