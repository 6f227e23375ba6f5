#include "platform/machine/screen.hpp"

#include "platform/machine/font8x8.hpp"
#include "platform/machine/text_file.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace schlingo::platform {

namespace {

// The program file is schlingo (schlingo.exe on Windows): its name without
// directory and extension is the title until setWindowTitle is called.
constexpr const char* defaultWindowTitle = "schlingo";
constexpr std::size_t maxTitleBytes = 127;
constexpr std::uint32_t fullHeaderType = 7;
constexpr std::size_t fullHeaderSize = 32;
constexpr std::size_t shortHeaderSize = 4;
// Larger frame buffers and images are refused as out of memory before any
// allocation is tried.
constexpr std::uint64_t maxBufferBytes = std::uint64_t{1} << 30;

// Nearest whole number, halves away from zero; NaN and huge values land far
// outside every screen, where clipping drops them.
int roundCoordinate(double v) {
    constexpr double limit = 1e9;
    if (std::isnan(v))
        return -static_cast<int>(limit);
    return static_cast<int>(std::round(std::clamp(v, -limit, limit)));
}

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void writeU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

constexpr std::align_val_t imageAlignment{16};

} // namespace

bool readImageLayout(const std::uint8_t* bytes, std::size_t size, ImageLayout& layout) {
    if (bytes == nullptr || size < shortHeaderSize)
        return false;
    const std::uint32_t first = readU32(bytes);
    std::uint64_t bytesPerPixel, width, height, pitch, offset;
    if (first == fullHeaderType) {
        if (size < fullHeaderSize)
            return false;
        bytesPerPixel = readU32(bytes + 4);
        width = readU32(bytes + 8);
        height = readU32(bytes + 12);
        pitch = readU32(bytes + 16);
        offset = fullHeaderSize;
    } else {
        bytesPerPixel = first & 7;
        if (bytesPerPixel == 0)
            bytesPerPixel = screenBytesPerPixel;
        width = (first >> 3) & 0x1FFF;
        height = first >> 16;
        pitch = width * bytesPerPixel;
        offset = shortHeaderSize;
    }
    constexpr std::uint64_t maxInt = std::numeric_limits<std::int32_t>::max();
    if (bytesPerPixel < 1 || bytesPerPixel > 4 || width > maxInt || height > maxInt ||
        pitch < width * bytesPerPixel)
        return false;
    // Every value is below 2^32, so the products stay far below 2^64.
    std::uint64_t needed = offset;
    if (width > 0 && height > 0)
        needed += pitch * (height - 1) + width * bytesPerPixel;
    if (needed > size)
        return false;
    layout.bytesPerPixel = static_cast<int>(bytesPerPixel);
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.pitch = static_cast<std::size_t>(pitch);
    layout.offset = static_cast<std::size_t>(offset);
    return true;
}

// Holds the screen lock for one drawing operation, nested inside the game's
// lockScreen bracket when there is one.
class Screen::Hold {
public:
    explicit Hold(Screen& screen) : screen_(screen) { screen_.acquire(); }
    ~Hold() { screen_.release(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    Screen& screen_;
};

Screen::Screen(Windowing& window, std::mutex& displayLock)
    : window_(window), lock_(displayLock), title_(defaultWindowTitle) {}

Screen::~Screen() {
    if (lockCount_ > 0)
        lock_.unlock();
}

void Screen::acquire() {
    if (lockCount_++ == 0)
        lock_.lock();
}

void Screen::release() {
    if (--lockCount_ > 0)
        return;
    // Only the first change after the presenter last took rows wakes it.
    const bool wake = unpresented_ && !presenterWoken_;
    if (wake)
        presenterWoken_ = true;
    lock_.unlock();
    if (wake)
        window_.wakePresenter();
}

int Screen::openScreen(double width, double height, int depth, int pages, int flags) {
    (void)pages; // one page is all the window shows
    (void)flags; // always an ordinary window
    const int w = roundCoordinate(width), h = roundCoordinate(height);
    static constexpr int depths[] = {1, 2, 4, 8, 15, 16, 24, 32};
    // Inside lockScreen the presenter could not finish opening the window.
    if (w < 1 || h < 1 ||
        std::find(std::begin(depths), std::end(depths), depth) == std::end(depths) ||
        lockCount_ > 0)
        return status_ = StatusIllegal;
    const std::uint64_t count = std::uint64_t(w) * std::uint64_t(h);
    if (count * sizeof(Pixel) > maxBufferBytes)
        return status_ = StatusOutOfMemory;
    std::vector<Pixel> frame;
    std::vector<std::uint8_t> dirty, changed;
    try {
        frame.assign(static_cast<std::size_t>(count), Pixel{0xFF000000});
        dirty.assign(static_cast<std::size_t>(h), 1);
        changed.assign(static_cast<std::size_t>(h), 1);
    } catch (const std::bad_alloc&) {
        return status_ = StatusOutOfMemory;
    }

    {
        // From here until the new frame is in place, neither the old window
        // nor the new one may be given the old frame.
        std::lock_guard<std::mutex> guard(lock_);
        retired_ = true;
    }
    if (const std::string failure = window_.openWindow(w, h, title_); !failure.empty()) {
        if (failureHook_)
            failureHook_(failure);
        return status_ = StatusIllegal;
    }

    acquire();
    retired_ = false;
    unpresented_ = true;
    presenterWoken_ = false;
    frame_ = std::move(frame);
    dirty_ = std::move(dirty);
    changed_ = std::move(changed);
    width_ = w;
    height_ = h;
    foreground_ = 0xFFFFFFFF;
    background_ = 0xFF000000;
    cursorRow_ = 1;
    cursorColumn_ = 1;
    if (openHook_)
        openHook_();
    release();
    return status_ = StatusOk;
}

void Screen::setWindowTitle(std::string_view text) {
    title_ = std::string(text.substr(0, maxTitleBytes));
    if (isOpen())
        window_.setWindowTitle(title_);
    status_ = StatusOk;
}

std::uintptr_t Screen::screenWindowHandle() const {
    return isOpen() ? window_.windowHandle() : 0;
}

Image Screen::createImage(double width, double height) {
    const int w = roundCoordinate(width), h = roundCoordinate(height);
    if (!isOpen() || w < 1 || h < 1) {
        status_ = StatusIllegal;
        return nullptr;
    }
    const std::uint64_t rowBytes = std::uint64_t(w) * screenBytesPerPixel;
    const std::uint64_t pitch = (rowBytes + 15) / 16 * 16;
    const std::uint64_t size = fullHeaderSize + pitch * std::uint64_t(h);
    if (size > maxBufferBytes) {
        status_ = StatusOutOfMemory;
        return nullptr;
    }
    auto* bytes = static_cast<std::uint8_t*>(
        ::operator new(static_cast<std::size_t>(size), imageAlignment, std::nothrow));
    auto* image = bytes != nullptr ? new (std::nothrow) ImageBuffer{} : nullptr;
    if (image == nullptr) {
        ::operator delete(bytes, imageAlignment);
        status_ = StatusOutOfMemory;
        return nullptr;
    }
    image->bytes = bytes;
    image->size = static_cast<std::size_t>(size);
    std::memset(bytes, 0, fullHeaderSize);
    writeU32(bytes, fullHeaderType);
    writeU32(bytes + 4, screenBytesPerPixel);
    writeU32(bytes + 8, static_cast<std::uint32_t>(w));
    writeU32(bytes + 12, static_cast<std::uint32_t>(h));
    writeU32(bytes + 16, static_cast<std::uint32_t>(pitch));
    // The filler bytes up to the pitch get the fill too.
    for (std::size_t at = fullHeaderSize; at < image->size; at += sizeof(Pixel))
        writeU32(bytes + at, magentaFill);
    status_ = StatusOk;
    return image;
}

void Screen::destroyImage(Image image) {
    if (image == nullptr)
        return;
    ::operator delete(image->bytes, imageAlignment);
    delete image;
}

int Screen::putImage(double x, double y, Image image) {
    ImageLayout layout;
    if (image == nullptr || !isOpen() || !readImageLayout(image->bytes, image->size, layout) ||
        layout.bytesPerPixel != screenBytesPerPixel)
        return status_ = StatusIllegal;
    const int left = roundCoordinate(x), top = roundCoordinate(y);
    // Clipped to the screen, in screen coordinates; 64-bit so nothing overflows.
    const long long x1 = std::max<long long>(left, 0);
    const long long x2 = std::min<long long>(static_cast<long long>(left) + layout.width, width_);
    const long long y1 = std::max<long long>(top, 0);
    const long long y2 = std::min<long long>(static_cast<long long>(top) + layout.height, height_);
    Hold hold(*this);
    if (x1 < x2) {
        const std::size_t bytes = static_cast<std::size_t>(x2 - x1) * sizeof(Pixel);
        for (long long sy = y1; sy < y2; ++sy) {
            const std::uint8_t* source = image->bytes + layout.offset +
                                         static_cast<std::size_t>(sy - top) * layout.pitch +
                                         static_cast<std::size_t>(x1 - left) * sizeof(Pixel);
            Pixel* target = frame_.data() + sy * width_ + x1;
            const bool differs = std::memcmp(target, source, bytes) != 0;
            if (differs)
                std::memcpy(target, source, bytes);
            markRow(static_cast<int>(sy), differs);
        }
    }
    return status_ = StatusOk;
}

bool Screen::fillRow(int row, int x1, int x2, Pixel colour) {
    Pixel* first = frame_.data() + static_cast<std::size_t>(row) * width_ + x1;
    Pixel* last = frame_.data() + static_cast<std::size_t>(row) * width_ + x2 + 1;
    const bool differs = std::any_of(first, last, [colour](Pixel p) { return p != colour; });
    if (differs)
        std::fill(first, last, colour);
    markRow(row, differs);
    return differs;
}

void Screen::fillBox(double x1, double y1, double x2, double y2, Pixel colour) {
    if (!isOpen()) {
        status_ = StatusIllegal;
        return;
    }
    int left = roundCoordinate(x1), right = roundCoordinate(x2);
    int top = roundCoordinate(y1), bottom = roundCoordinate(y2);
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::max(left, 0);
    right = std::min(right, width_ - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    status_ = StatusOk;
    if (left > right || top > bottom)
        return;
    Hold hold(*this);
    for (int row = top; row <= bottom; ++row)
        fillRow(row, left, right, colour);
}

Pixel Screen::readPixel(double x, double y) {
    const int px = roundCoordinate(x), py = roundCoordinate(y);
    if (px < 0 || py < 0 || px >= width_ || py >= height_)
        return 0xFFFFFFFF;
    // No lock: only this thread writes the frame buffer.
    return frame_[static_cast<std::size_t>(py) * width_ + px];
}

void Screen::plotPixel(double x, double y, Pixel colour) {
    if (!isOpen()) {
        status_ = StatusIllegal;
        return;
    }
    status_ = StatusOk;
    const int px = roundCoordinate(x), py = roundCoordinate(y);
    if (px < 0 || py < 0 || px >= width_ || py >= height_)
        return;
    Hold hold(*this);
    fillRow(py, px, px, colour);
}

void Screen::clearScreen() {
    if (!isOpen()) {
        status_ = StatusIllegal;
        return;
    }
    {
        Hold hold(*this);
        for (int row = 0; row < height_; ++row)
            fillRow(row, 0, width_ - 1, background_);
    }
    cursorRow_ = 1;
    cursorColumn_ = 1;
    status_ = StatusOk;
}

void Screen::setForeground(Pixel colour) {
    foreground_ = colour;
    status_ = StatusOk;
}

void Screen::setTextCursor(int row, int column) {
    if (row >= 1 && row <= textRows() && column >= 1 && column <= textColumns()) {
        cursorRow_ = row;
        cursorColumn_ = column;
    }
}

void Screen::drawCell(int row, int column, unsigned char ch) {
    const long long left = 8LL * (column - 1), top = 8LL * (row - 1);
    for (int line = 0; line < 8; ++line) {
        const long long y = top + line;
        if (y < 0 || y >= height_)
            continue;
        Pixel* target = frame_.data() + y * width_;
        bool differs = false;
        for (int bit = 0; bit < 8; ++bit) {
            const long long x = left + bit;
            if (x < 0 || x >= width_)
                continue;
            const Pixel p = (font8x8[ch][line] & (0x80 >> bit)) ? foreground_ : background_;
            if (target[x] != p) {
                target[x] = p;
                differs = true;
            }
        }
        markRow(static_cast<int>(y), differs);
    }
}

void Screen::printText(std::string_view cp437Text, Ending ending) {
    if (!isOpen()) {
        status_ = StatusIllegal;
        return;
    }
    // Every byte is a glyph, control characters included. Text past the last
    // row is clipped away; the cursor stops one row below the grid.
    const int columns = textColumns(), belowGrid = textRows() + 1;
    {
        Hold hold(*this);
        for (unsigned char ch : cp437Text) {
            drawCell(cursorRow_, cursorColumn_, ch);
            if (++cursorColumn_ > columns) {
                cursorColumn_ = 1;
                cursorRow_ = std::min(cursorRow_ + 1, belowGrid);
            }
        }
    }
    if (ending == Ending::Newline) {
        cursorColumn_ = 1;
        cursorRow_ = std::min(cursorRow_ + 1, belowGrid);
    }
    status_ = StatusOk;
}

void Screen::printNumber(std::int32_t value, Ending ending) {
    printText(numberForm(value), ending);
}

void Screen::lockScreen() {
    acquire();
}

void Screen::unlockScreen() {
    if (lockCount_ == 0)
        return; // not locked: nothing to release
    markAllDirty();
    release();
}

void Screen::resetPalette() {
    if (!isOpen()) {
        status_ = StatusIllegal;
        return;
    }
    Hold hold(*this);
    markAllDirty();
    status_ = StatusOk;
}

void Screen::markRow(int row, bool changed) {
    dirty_[static_cast<std::size_t>(row)] = 1;
    if (changed) {
        changed_[static_cast<std::size_t>(row)] = 1;
        unpresented_ = true;
    }
}

void Screen::markAllDirty() {
    std::fill(dirty_.begin(), dirty_.end(), std::uint8_t{1});
}

PresentSpan Screen::takeRowsToPresent() {
    PresentSpan span;
    // A dirty row that no write changed looks the same in the window already.
    for (int row = 0; row < height_; ++row) {
        if (changed_[static_cast<std::size_t>(row)]) {
            if (span.empty())
                span.firstRow = row;
            span.lastRow = row;
        }
    }
    std::fill(dirty_.begin(), dirty_.end(), std::uint8_t{0});
    std::fill(changed_.begin(), changed_.end(), std::uint8_t{0});
    unpresented_ = false;
    presenterWoken_ = false;
    return span;
}

PresentSpan Screen::takeAllRows() {
    std::fill(dirty_.begin(), dirty_.end(), std::uint8_t{0});
    std::fill(changed_.begin(), changed_.end(), std::uint8_t{0});
    unpresented_ = false;
    presenterWoken_ = false;
    PresentSpan span;
    span.firstRow = 0;
    span.lastRow = height_ - 1;
    return span;
}

} // namespace schlingo::platform
