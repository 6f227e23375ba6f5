#pragma once
// The window-backed 32-bit frame buffer, off-screen images and the drawing
// operations: opaque image copy, filled box, pixels, clearing and text in
// 8 x 8 cells. Game-thread functions may be called only from the game thread;
// they take Display::lock themselves (nested inside lockScreen when the game
// holds it).

#include "platform/machine/text_codec.hpp"
#include "platform/seam/backend.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace schlingo::platform {

using Pixel = std::uint32_t; // 0xAARRGGBB

enum Status : int {
    StatusOk = 0,
    StatusIllegal = 1,
    StatusCannotOpen = 2,
    StatusReadError = 3,
    StatusOutOfMemory = 4
};

enum class Ending { None, Newline };

// An image buffer: one block starting on a 16-byte boundary, either the 32-byte
// header form (type 7, bytes per pixel, width, height, pitch, reserved, rows) or
// the 4-byte short header form. `bytes` points at the block's first byte.
struct ImageBuffer {
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0; // bytes allocated, header included
};
using Image = ImageBuffer*; // none is nullptr

// Every screen is served at 32 bits per pixel, whatever depth it was opened with.
inline constexpr int screenBytesPerPixel = 4;
inline constexpr Pixel magentaFill = 0xFFFF00FF;

// Where an image buffer's pixel rows lie, read from its header.
struct ImageLayout {
    int bytesPerPixel = 0; // the short header's 0 already resolved to the screen's
    int width = 0, height = 0;
    std::size_t pitch = 0;  // bytes from one row to the next
    std::size_t offset = 0; // first byte of the top row: 32 or 4
};
// Reads the header of `size` bytes at `bytes`. False when the header is neither
// form or describes rows that reach past `size` bytes, so nothing drawn or loaded
// through a layout it returns can leave the allocation.
bool readImageLayout(const std::uint8_t* bytes, std::size_t size, ImageLayout& layout);

// Rows to copy to the window, handed to the presenter.
struct PresentSpan {
    int firstRow = 0, lastRow = -1; // inclusive; empty when lastRow < firstRow
    bool empty() const { return lastRow < firstRow; }
};

class Screen {
public:
    Screen(Windowing& window, std::mutex& displayLock);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // --- game thread ---
    int openScreen(double width, double height, int depth, int pages, int flags);
    void setWindowTitle(std::string_view text);
    std::uintptr_t screenWindowHandle() const;
    Image createImage(double width, double height);
    void destroyImage(Image image);
    int putImage(double x, double y, Image image);
    void fillBox(double x1, double y1, double x2, double y2, Pixel colour);
    Pixel readPixel(double x, double y);
    void plotPixel(double x, double y, Pixel colour);
    void clearScreen();
    void setForeground(Pixel colour);
    void setTextCursor(int row, int column);
    void printText(std::string_view cp437Text, Ending ending);
    void printNumber(std::int32_t value, Ending ending);
    void lockScreen();
    void unlockScreen(); // marks every row dirty
    void resetPalette();
    int lastStatus() const { return status_; }

    // Called by openScreen with Display::lock held, once the new frame buffer is
    // in place (Display resets the pointer buttons and wheel through it).
    void setOpenHook(std::function<void()> hook) { openHook_ = std::move(hook); }
    // Called by openScreen, without Display::lock, when the window could not be
    // made (Display reports it and ends the program); without one openScreen
    // returns status 1.
    void setFailureHook(std::function<void(const std::string&)> hook) {
        failureHook_ = std::move(hook);
    }

    bool isOpen() const { return width_ > 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    int textRows() const { return height_ / 8; }
    int textColumns() const { return width_ / 8; }
    int cursorRow() const { return cursorRow_; }
    int cursorColumn() const { return cursorColumn_; }
    const std::string& windowTitle() const { return title_; }

    // --- presenter thread, Display::lock held ---
    // The rows to copy to the window: dirty rows whose pixels were written since
    // they were last presented (a whole-screen unlock that changed nothing costs
    // nothing). Clears the dirty flags of the whole span.
    PresentSpan takeRowsToPresent();
    // The whole frame buffer (after an expose). Clears every dirty flag.
    PresentSpan takeAllRows();
    // Whether takeRowsToPresent would return rows.
    bool hasRowsToPresent() const { return unpresented_; }
    const Pixel* pixels() const { return frame_.data(); } // width() per row, no filler
    // False while a new screen is being opened: the frame in place belongs to
    // the window that is going, and no window may be shown it.
    bool presentable() const { return isOpen() && !retired_; }
    int presentWidth() const { return width_; }
    int presentHeight() const { return height_; }

private:
    class Hold; // lockScreen/unlockScreen without marking every row

    void acquire();
    void release();
    void markRow(int row, bool changed);                 // dirty, and changed when a pixel differs
    void markAllDirty();                                 // dirty without a content change
    bool fillRow(int row, int x1, int x2, Pixel colour); // inclusive, clipped already
    void drawCell(int row, int column, unsigned char ch);

    Windowing& window_;
    std::mutex& lock_;  // Display::lock
    int lockCount_ = 0; // game thread only
    int status_ = StatusOk;
    int width_ = 0, height_ = 0;
    std::vector<Pixel> frame_;          // guarded by Display::lock
    std::vector<std::uint8_t> dirty_;   // guarded by Display::lock
    std::vector<std::uint8_t> changed_; // guarded by Display::lock
    bool unpresented_ = false;          // guarded by Display::lock: a changed row not yet taken
    bool presenterWoken_ = false;       // guarded by Display::lock: wakePresenter since then
    bool retired_ = false;              // guarded by Display::lock: see presentable()
    Pixel foreground_ = 0xFFFFFFFF;
    Pixel background_ = 0xFF000000;
    int cursorRow_ = 1, cursorColumn_ = 1;
    std::string title_; // the program file's name until setWindowTitle
    std::function<void()> openHook_;
    std::function<void(const std::string&)> failureHook_;
};

} // namespace schlingo::platform
