#include "platform/machine/shown_frame.hpp"

#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"

#include <gtest/gtest.h>

#include <mutex>

namespace schlingo::platform {
namespace {

class ShownFrameTest : public ::testing::Test {
protected:
    ShownFrameTest() { backend.attach(display); }

    ShownFrame::Rows present(bool all = false) {
        std::lock_guard guard(display.lock);
        return shown.update(display.screen, all);
    }
    static std::pair<int, int> span(ShownFrame::Rows rows) { return {rows.first, rows.count}; }

    ScriptedBackend backend;
    Display display{backend};
    Screen& screen = display.screen;
    ShownFrame shown;
};

TEST_F(ShownFrameTest, TakesOnlyRowsWhosePixelsDifferFromWhatIsShown) {
    // Nothing to show before a screen is open.
    EXPECT_TRUE(present(true).empty());
    ASSERT_EQ(screen.openScreen(40, 30, 32, 1, 0), StatusOk);
    screen.fillBox(0, 0, 39, 29, 0xFF102030);
    // A window that shows nothing yet gets every row, whatever it holds.
    EXPECT_EQ(span(present()), std::pair(0, 30));
    EXPECT_EQ(shown.width(), 40);
    EXPECT_EQ(shown.row(29)[39], 0xFF102030u);
    EXPECT_TRUE(present().empty());

    // Two rows drawn, one of them back as it was shown: only the other goes.
    screen.fillBox(0, 5, 39, 5, 0xFFFFFFFF);
    screen.fillBox(0, 12, 39, 12, 0xFFFFFFFF);
    screen.fillBox(0, 5, 39, 5, 0xFF102030);
    EXPECT_EQ(span(present()), std::pair(12, 1));
    EXPECT_EQ(shown.row(12)[0], 0xFFFFFFFFu);
    EXPECT_EQ(shown.row(5)[0], 0xFF102030u);

    // The span runs from the first changed row to the last.
    screen.plotPixel(3, 7, 0xFF000001);
    screen.plotPixel(39, 20, 0xFF000002);
    EXPECT_EQ(span(present()), std::pair(7, 14));
    EXPECT_EQ(shown.row(7)[3], 0xFF000001u);
    EXPECT_EQ(shown.row(20)[39], 0xFF000002u);

    // After an expose every row goes again, changed or not.
    EXPECT_EQ(span(present(true)), std::pair(0, 30));
    // The same drawing again changes nothing shown.
    screen.plotPixel(3, 7, 0xFF000001);
    EXPECT_TRUE(present().empty());
}

TEST_F(ShownFrameTest, ANewSizeOrAResetShowsEveryRowAgain) {
    ASSERT_EQ(screen.openScreen(16, 8, 32, 1, 0), StatusOk);
    EXPECT_EQ(span(present()), std::pair(0, 8));
    // A new screen of another size: the shown frame follows it, every row
    // goes, black ones too.
    ASSERT_EQ(screen.openScreen(24, 10, 32, 1, 0), StatusOk);
    EXPECT_EQ(span(present()), std::pair(0, 10));
    EXPECT_EQ(shown.width(), 24);
    EXPECT_EQ(shown.height(), 10);
    // A new window of the same size starts from what reset gives it: rows
    // that hold the fill already are not sent again.
    screen.fillBox(0, 0, 23, 9, 0xFF445566);
    screen.fillBox(0, 4, 23, 4, 0xFF000000);
    shown.reset(24, 10, 0xFF000000);
    EXPECT_EQ(span(present()), std::pair(0, 10));
    EXPECT_EQ(shown.row(4)[0], 0xFF000000u);
    // Size 0: the next present takes every row.
    shown.reset(0, 0, 0);
    screen.plotPixel(0, 0, 0xFF445566);
    EXPECT_EQ(span(present()), std::pair(0, 10));
}

} // namespace
} // namespace schlingo::platform
