#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/font8x8.hpp"
#include "platform/machine/screen.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <thread>

namespace schlingo::platform {
namespace {

constexpr Pixel black = 0xFF000000;
constexpr Pixel magenta = 0xFFFF00FF;

class ScreenTest : public ::testing::Test {
protected:
    ScreenTest() { backend.attach(display); }

    void open(int width = 940, int height = 320) {
        ASSERT_EQ(screen.openScreen(width, height, 32, 1, 0), StatusOk);
    }
    // Pixel (x, y) of an image made by createImage.
    static Pixel imagePixel(Image image, int x, int y) {
        Pixel p;
        const std::uint32_t pitch = header(image, 16);
        std::memcpy(&p, image->bytes + 32 + y * pitch + x * 4, 4);
        return p;
    }
    static void setImagePixel(Image image, int x, int y, Pixel p) {
        const std::uint32_t pitch = header(image, 16);
        std::memcpy(image->bytes + 32 + y * pitch + x * 4, &p, 4);
    }
    static std::uint32_t header(Image image, int offset) {
        std::uint32_t v;
        std::memcpy(&v, image->bytes + offset, 4);
        return v;
    }
    // Whether the display lock is free, asked from another thread as the
    // presenter would.
    bool lockIsFree() {
        return std::async(std::launch::async,
                          [this] {
                              if (!display.lock.try_lock())
                                  return false;
                              display.lock.unlock();
                              return true;
                          })
            .get();
    }
    PresentSpan presenterPass() {
        std::lock_guard<std::mutex> guard(display.lock);
        return screen.takeRowsToPresent();
    }
    // Counts the pixels of the screen that equal p.
    int countPixels(Pixel p) {
        int n = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                n += screen.readPixel(x, y) == p;
        return n;
    }

    ScriptedBackend backend;
    Display display{backend};
    Screen& screen = display.screen;
};

TEST_F(ScreenTest, OpeningGivesABlackScreenTheDefaultsAndTheStoredTitle) {
    int hookCalls = 0, widthSeenByHook = 0;
    screen.setOpenHook([&] {
        ++hookCalls;
        widthSeenByHook = screen.width();
    });
    open();
    ASSERT_EQ(backend.windowsOpened().size(), 1u);
    EXPECT_EQ(backend.windowsOpened()[0].width, 940);
    EXPECT_EQ(backend.windowsOpened()[0].height, 320);
    EXPECT_EQ(backend.windowsOpened()[0].title, "schlingo");
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(widthSeenByHook, 940);
    EXPECT_EQ(screen.textColumns(), 117);
    EXPECT_EQ(screen.textRows(), 40);
    EXPECT_EQ(countPixels(black), 940 * 320);
    EXPECT_EQ(screen.readPixel(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(screen.readPixel(940, 0), 0xFFFFFFFFu);
    EXPECT_EQ(screen.readPixel(0, 320), 0xFFFFFFFFu);
    EXPECT_NE(screen.screenWindowHandle(), 0u);

    // Title: cut to 127 bytes, shown at once and reused by the next window.
    screen.setWindowTitle(std::string(130, 'x'));
    EXPECT_EQ(backend.currentTitle(), std::string(127, 'x'));
    screen.setWindowTitle("Schlingo - Modus: Normal");
    screen.plotPixel(5, 5, 0x123456);
    screen.setForeground(7);
    screen.setTextCursor(3, 4);
    open(400, 400);
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(backend.windowsOpened().back().title, "Schlingo - Modus: Normal");
    EXPECT_EQ(screen.readPixel(5, 5), black);
    EXPECT_EQ(countPixels(black), 400 * 400);
    EXPECT_EQ(screen.textColumns(), 50);
    EXPECT_EQ(screen.cursorRow(), 1);
    EXPECT_EQ(screen.cursorColumn(), 1);
    screen.printText("\xDB", Ending::None); // full block: foreground reset to white
    EXPECT_EQ(screen.readPixel(0, 0), 0xFFFFFFFFu);
}

TEST_F(ScreenTest, OpeningRefusesIllegalSizesAndDepthsAndKeepsTheOpenScreen) {
    EXPECT_EQ(screen.screenWindowHandle(), 0u);
    EXPECT_EQ(screen.openScreen(0, 320, 32, 1, 0), StatusIllegal);
    EXPECT_EQ(screen.openScreen(940, 0.4, 32, 1, 0), StatusIllegal);
    EXPECT_EQ(screen.openScreen(940, 320, 3, 1, 0), StatusIllegal);
    EXPECT_FALSE(screen.isOpen());
    EXPECT_TRUE(backend.windowsOpened().empty());
    EXPECT_EQ(screen.openScreen(1, 1, 32, 1, 0), StatusOk) << "one pixel is a screen";
    ImageLayout layout;
    const std::uint8_t header[3]{};
    EXPECT_FALSE(readImageLayout(nullptr, 0, layout) || readImageLayout(header, 3, layout));
    for (int depth : {1, 2, 4, 8, 15, 16, 24})
        EXPECT_EQ(screen.openScreen(20, 10, depth, 0, 0), StatusOk) << depth;
    screen.plotPixel(1, 1, 0x42);
    EXPECT_EQ(screen.openScreen(940, 320, 12, 1, 0), StatusIllegal);
    EXPECT_EQ(screen.openScreen(16384, 16385, 32, 1, 0), StatusOutOfMemory); // above 1 GiB
    EXPECT_EQ(screen.width(), 20);
    EXPECT_EQ(screen.readPixel(1, 1), 0x42u);
    // Inside a lock the window could not be made; the screen stays.
    screen.lockScreen();
    EXPECT_EQ(screen.openScreen(940, 320, 32, 1, 0), StatusIllegal);
    screen.unlockScreen();
    EXPECT_EQ(screen.width(), 20);
}

TEST_F(ScreenTest, CreatedImagesAreAlignedMagentaWithTheFullHeader) {
    EXPECT_EQ(screen.createImage(16, 16), nullptr); // no screen yet
    EXPECT_EQ(screen.lastStatus(), StatusIllegal);
    open();
    Image square = screen.createImage(16, 16);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->size, 32u + 16 * 64);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(square->bytes) % 16, 0u);
    EXPECT_EQ(header(square, 0), 7u);
    EXPECT_EQ(header(square, 4), 4u);
    EXPECT_EQ(header(square, 8), 16u);
    EXPECT_EQ(header(square, 12), 16u);
    EXPECT_EQ(header(square, 16), 64u);
    for (int offset = 20; offset < 32; offset += 4)
        EXPECT_EQ(header(square, offset), 0u);

    // 5 pixels are 20 bytes: the pitch is 32, and the filler is magenta too.
    Image odd = screen.createImage(5, 3);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(header(odd, 16), 32u);
    EXPECT_EQ(odd->size, 32u + 3 * 32);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(odd->bytes) % 16, 0u);
    for (std::size_t at = 32; at < odd->size; at += 4) {
        std::uint32_t v;
        std::memcpy(&v, odd->bytes + at, 4);
        EXPECT_EQ(v, magenta) << at;
    }
    EXPECT_EQ(screen.createImage(0, 5), nullptr);
    EXPECT_EQ(screen.lastStatus(), StatusIllegal);
    EXPECT_EQ(screen.createImage(70000, 70000), nullptr);
    EXPECT_EQ(screen.lastStatus(), StatusOutOfMemory);
    screen.destroyImage(square);
    screen.destroyImage(odd);
    screen.destroyImage(nullptr);
}

TEST_F(ScreenTest, PutImageCopiesOpaquelyAndClipsAtEveryEdge) {
    open();
    Image image = screen.createImage(16, 16);
    ASSERT_NE(image, nullptr);
    setImagePixel(image, 0, 0, 0x00000007); // alpha 0 stays
    setImagePixel(image, 15, 15, 0x80123456);
    ASSERT_EQ(screen.putImage(100, 50, image), StatusOk);
    EXPECT_EQ(screen.readPixel(100, 50), 0x00000007u);
    EXPECT_EQ(screen.readPixel(115, 65), 0x80123456u);
    EXPECT_EQ(screen.readPixel(101, 50), magenta);
    EXPECT_EQ(screen.readPixel(116, 50), black);
    EXPECT_EQ(screen.readPixel(100, 66), black);
    EXPECT_EQ(countPixels(magenta), 16 * 16 - 2);

    // Right edge: only the left 10 columns.
    screen.clearScreen();
    EXPECT_EQ(screen.putImage(930, 0, image), StatusOk);
    EXPECT_EQ(countPixels(magenta), 10 * 16 - 1);
    EXPECT_EQ(screen.readPixel(930, 0), 0x00000007u);
    // Top-left corner: the image's bottom-right 4 x 4 pixels, in place.
    screen.clearScreen();
    EXPECT_EQ(screen.putImage(-12, -12, image), StatusOk);
    EXPECT_EQ(countPixels(magenta), 4 * 4 - 1);
    EXPECT_EQ(screen.readPixel(3, 3), 0x80123456u);
    // Bottom edge, and wholly outside.
    screen.clearScreen();
    EXPECT_EQ(screen.putImage(0, 310, image), StatusOk);
    EXPECT_EQ(countPixels(magenta), 16 * 10 - 1);
    screen.clearScreen();
    for (auto [x, y] : {std::pair{940, 0}, {-16, 0}, {0, 320}, {0, -16}, {1e12, 1e12}})
        EXPECT_EQ(screen.putImage(x, y, image), StatusOk);
    EXPECT_EQ(countPixels(black), 940 * 320);

    // Coordinates go to the nearest whole number, halves away from zero.
    screen.putImage(0.5, 1.49, image);
    EXPECT_EQ(screen.readPixel(1, 1), 0x00000007u);
    screen.clearScreen();
    screen.putImage(-0.5, -0.5, image); // lands at (-1, -1)
    EXPECT_EQ(screen.readPixel(14, 14), 0x80123456u);
    EXPECT_EQ(screen.readPixel(0.4, -0.4), magenta);

    EXPECT_EQ(screen.putImage(0, 0, nullptr), StatusIllegal);
    screen.destroyImage(image);
}

TEST_F(ScreenTest, PutImageReadsTheShortHeaderAndRefusesOtherDepthsAndOversizedHeaders) {
    open();
    // Short header: 3 x 2 pixels, bytes per pixel 0 (the screen's), rows packed.
    alignas(16) std::uint8_t shortForm[4 + 3 * 2 * 4];
    const std::uint32_t word = 0u | (3u << 3) | (2u << 16);
    std::memcpy(shortForm, &word, 4);
    for (std::uint32_t i = 0; i < 6; ++i) {
        const Pixel p = 0xFF000010 + i;
        std::memcpy(shortForm + 4 + 4 * i, &p, 4);
    }
    ImageBuffer buffer{shortForm, sizeof shortForm};
    EXPECT_EQ(screen.putImage(10, 20, &buffer), StatusOk);
    EXPECT_EQ(screen.readPixel(10, 20), 0xFF000010u);
    EXPECT_EQ(screen.readPixel(12, 20), 0xFF000012u);
    EXPECT_EQ(screen.readPixel(10, 21), 0xFF000013u);
    EXPECT_EQ(screen.readPixel(12, 21), 0xFF000015u);
    EXPECT_EQ(screen.readPixel(13, 21), black);

    // A header that claims more rows than the buffer holds is never drawn.
    screen.clearScreen();
    buffer.size -= 1;
    EXPECT_EQ(screen.putImage(10, 20, &buffer), StatusIllegal);
    EXPECT_EQ(screen.readPixel(10, 20), black);

    Image image = screen.createImage(4, 4);
    ASSERT_NE(image, nullptr);
    image->bytes[4] = 2; // two bytes per pixel: not the screen's depth
    EXPECT_EQ(screen.putImage(0, 0, image), StatusIllegal);
    image->bytes[4] = 4;
    image->bytes[12] = 5; // five rows in a buffer of four
    EXPECT_EQ(screen.putImage(0, 0, image), StatusIllegal);
    image->bytes[12] = 4;
    image->bytes[16] = 8; // pitch narrower than a row
    EXPECT_EQ(screen.putImage(0, 0, image), StatusIllegal);
    EXPECT_EQ(countPixels(black), 940 * 320);
    screen.destroyImage(image);
}

TEST_F(ScreenTest, BoxesAndPixelsStayInsideTheScreen) {
    open();
    screen.fillBox(44, 233, 17, 208, 0);
    EXPECT_EQ(countPixels(0), 28 * 26);
    for (auto [x, y] : {std::pair{17, 208}, {44, 233}, {17, 233}, {44, 208}})
        EXPECT_EQ(screen.readPixel(x, y), 0u);
    EXPECT_EQ(screen.readPixel(16, 208), black);
    EXPECT_EQ(screen.readPixel(45, 233), black);
    screen.fillBox(17, 208, 44, 233, 0x00FF0000);
    EXPECT_EQ(countPixels(0x00FF0000), 28 * 26);

    screen.clearScreen();
    screen.fillBox(-100, -100, 2000, 5, 0x11);
    EXPECT_EQ(countPixels(0x11), 940 * 6);
    screen.fillBox(-5, -5, -1, 300, 0x22); // wholly left of the screen
    EXPECT_EQ(countPixels(0x22), 0);

    screen.plotPixel(939, 319, 0x33);
    screen.plotPixel(940, 0, 0x33);
    screen.plotPixel(-1, 10, 0x33);
    EXPECT_EQ(countPixels(0x33), 1);
    EXPECT_EQ(screen.readPixel(939, 319), 0x33u);
}

TEST_F(ScreenTest, TextFillsWholeCellsInForegroundAndBackground) {
    open();
    screen.setForeground(7);
    screen.setTextCursor(2, 3);
    screen.printText("A", Ending::None);
    EXPECT_EQ(screen.cursorRow(), 2);
    EXPECT_EQ(screen.cursorColumn(), 4);
    int set = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool bit = font8x8[int{'A'}][y] & (0x80 >> x);
            EXPECT_EQ(screen.readPixel(16 + x, 8 + y), bit ? 7u : black) << x << "," << y;
            set += bit;
        }
    }
    EXPECT_GT(set, 8);
    EXPECT_EQ(countPixels(7), set); // nothing outside the cell

    // A cell already set to the background is overwritten with the background.
    screen.fillBox(0, 0, 7, 7, 0x55);
    screen.setTextCursor(1, 1);
    screen.printText(" ", Ending::Newline);
    EXPECT_EQ(countPixels(0x55), 0);
    EXPECT_EQ(screen.cursorRow(), 2);
    EXPECT_EQ(screen.cursorColumn(), 1);

    // Rows and columns outside the grid leave the cursor where it is.
    screen.setTextCursor(41, 1);
    screen.setTextCursor(1, 118);
    screen.setTextCursor(0, 5);
    EXPECT_EQ(screen.cursorRow(), 2);
    EXPECT_EQ(screen.cursorColumn(), 1);
    screen.setTextCursor(40, 117);
    EXPECT_EQ(screen.cursorRow(), 40);
}

TEST_F(ScreenTest, TextWrapsAtTheLastColumnAndIsClippedBelowTheGrid) {
    open();
    screen.setTextCursor(1, 116);
    screen.printText("\xDB\xDB\xDB", Ending::None); // full blocks
    EXPECT_EQ(screen.readPixel(8 * 115, 0), 0xFFFFFFFFu);
    EXPECT_EQ(screen.readPixel(8 * 116 + 7, 7), 0xFFFFFFFFu);
    EXPECT_EQ(screen.readPixel(936, 0), black); // 940 is no whole cell more
    EXPECT_EQ(screen.readPixel(0, 8), 0xFFFFFFFFu);
    EXPECT_EQ(screen.cursorRow(), 2);
    EXPECT_EQ(screen.cursorColumn(), 2);

    screen.clearScreen();
    EXPECT_EQ(screen.cursorRow(), 1);
    screen.setTextCursor(40, 117);
    screen.printText(std::string(300, '\xDB'), Ending::Newline);
    EXPECT_EQ(countPixels(0xFFFFFFFF), 64); // only the last cell of the grid
    EXPECT_EQ(screen.cursorRow(), 41);
    EXPECT_EQ(screen.cursorColumn(), 1);
}

TEST_F(ScreenTest, NumbersGetASpaceOrAMinusSign) {
    open();
    screen.printNumber(12, Ending::None);
    EXPECT_EQ(screen.cursorColumn(), 4);
    screen.printNumber(-5, Ending::Newline);
    EXPECT_EQ(screen.cursorRow(), 2);
    // Compare the cells with the same characters printed as text.
    Pixel numbers[8 * 6][8];
    for (int x = 0; x < 8 * 6; ++x)
        for (int y = 0; y < 8; ++y)
            numbers[x][y] = screen.readPixel(x, y);
    screen.setTextCursor(1, 1);
    screen.printText(" 12-5 ", Ending::None);
    for (int x = 0; x < 8 * 6; ++x)
        for (int y = 0; y < 8; ++y)
            ASSERT_EQ(screen.readPixel(x, y), numbers[x][y]) << x << "," << y;
}

TEST_F(ScreenTest, LockingHoldsThePresenterOffAndNests) {
    open();
    EXPECT_TRUE(lockIsFree());
    screen.lockScreen();
    EXPECT_FALSE(lockIsFree());
    screen.lockScreen();
    screen.fillBox(0, 0, 10, 10, 1); // takes and releases inside the bracket
    screen.unlockScreen();
    EXPECT_FALSE(lockIsFree());
    screen.unlockScreen();
    EXPECT_TRUE(lockIsFree());
    screen.unlockScreen(); // one too many: ignored
    EXPECT_TRUE(lockIsFree());
    screen.fillBox(0, 0, 10, 10, 2);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(ScreenTest, APresenterThreadNeverSeesHalfAGroupOfDrawings) {
    open(64, 64);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, passes{0};
    std::thread presenter([&] {
        while (!done) {
            std::lock_guard<std::mutex> guard(display.lock);
            screen.takeRowsToPresent();
            const Pixel* p = screen.pixels();
            torn += p[0] != p[64 * 64 - 1];
            ++passes;
        }
    });
    for (Pixel colour = 1; colour <= 300; ++colour) {
        screen.lockScreen();
        screen.fillBox(0, 0, 63, 31, colour); // top half, then bottom half
        screen.fillBox(0, 32, 63, 63, colour);
        screen.unlockScreen();
    }
    while (passes < 10)
        std::this_thread::yield();
    done = true;
    presenter.join();
    EXPECT_EQ(torn, 0);
}

TEST_F(ScreenTest, ThePresenterUploadsOnlyRowsThatReallyChanged) {
    open();
    EXPECT_EQ(backend.presenterWakes(), 1) << "the new black screen is to be shown";
    PresentSpan span = presenterPass();
    EXPECT_EQ(span.firstRow, 0); // the new black screen is shown once
    EXPECT_EQ(span.lastRow, 319);
    EXPECT_TRUE(presenterPass().empty());

    // The presenter is woken once per change from all shown to rows to show.
    screen.fillBox(5, 30, 9, 40, 0x10);
    screen.plotPixel(0, 100, 0x20);
    EXPECT_EQ(backend.presenterWakes(), 2);
    span = presenterPass();
    EXPECT_EQ(span.firstRow, 30);
    EXPECT_EQ(span.lastRow, 100);

    // Drawing the same content again, a whole-screen unlock and a palette reset
    // mark rows dirty but change nothing.
    screen.lockScreen();
    screen.fillBox(5, 30, 9, 40, 0x10);
    screen.setTextCursor(1, 1);
    screen.printText(" ", Ending::None);
    screen.unlockScreen();
    screen.resetPalette();
    EXPECT_EQ(backend.presenterWakes(), 2) << "nothing new to show: the presenter sleeps on";
    EXPECT_TRUE(presenterPass().empty());

    Image image = screen.createImage(16, 16);
    screen.putImage(0, 200, image);
    span = presenterPass();
    EXPECT_EQ(span.firstRow, 200);
    EXPECT_EQ(span.lastRow, 215);
    screen.putImage(0, 200, image);
    EXPECT_TRUE(presenterPass().empty());
    screen.destroyImage(image);

    // After an expose the presenter copies everything.
    {
        std::lock_guard<std::mutex> guard(display.lock);
        span = screen.takeAllRows();
    }
    EXPECT_EQ(span.firstRow, 0);
    EXPECT_EQ(span.lastRow, 319);
    EXPECT_TRUE(presenterPass().empty()) << "the whole frame was just copied";

    // Through the scripted presenter: the row count follows real changes only.
    backend.idle(3);
    backend.pumpEvents(0, backend.timerSeconds());
    const long long before = backend.rowsPresented();
    screen.lockScreen();
    screen.unlockScreen();
    backend.pumpEvents(0, backend.timerSeconds());
    EXPECT_EQ(backend.rowsPresented(), before);
    screen.fillBox(0, 7, 939, 8, 0x99);
    backend.pumpEvents(0, backend.timerSeconds());
    EXPECT_EQ(backend.rowsPresented(), before + 2);

    // While the next screen is being opened, no window may be given the old
    // frame; the new one is shown once it is in place.
    open(400, 400);
    EXPECT_FALSE(backend.windowsOpened().back().framePresentable);
    {
        std::lock_guard<std::mutex> guard(display.lock);
        EXPECT_TRUE(screen.presentable());
    }
    EXPECT_EQ(presenterPass().lastRow, 399);
}

TEST_F(ScreenTest, DrawingWithoutAScreenDoesNothing) {
    screen.fillBox(0, 0, 10, 10, 1);
    EXPECT_EQ(screen.lastStatus(), StatusIllegal);
    screen.plotPixel(0, 0, 1);
    screen.clearScreen();
    screen.printText("abc", Ending::Newline);
    screen.resetPalette();
    screen.lockScreen();
    screen.unlockScreen();
    EXPECT_EQ(screen.readPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(screen.putImage(0, 0, nullptr), StatusIllegal);
    EXPECT_EQ(screen.screenWindowHandle(), 0u);
    EXPECT_TRUE(lockIsFree());
}

} // namespace
} // namespace schlingo::platform
