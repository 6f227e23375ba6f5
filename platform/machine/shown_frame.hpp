#pragma once
// The frame as a window shows it, in game pixels. Each present copies the
// rows the frame buffer has marked since the last one into it and tells
// which of them really changed: rows that were marked but hold what the
// window shows already (the tries counter is drawn anew every pass) cost no
// upload, and every upload costs a desktop or a browser a frame.

#include "platform/machine/screen.hpp"

#include <vector>

namespace schlingo::platform {

class ShownFrame {
public:
    struct Rows {
        int first = 0, count = 0;
        bool empty() const { return count <= 0; }
    };

    // What a new window shows before its first present: width x height of
    // `fill`. A size of 0 makes the next present take every row.
    void reset(int width, int height, Pixel fill);

    // Display::lock held; the thread that shows the window. Copies the rows to
    // present into the shown frame and returns the span from the first row
    // that changed to the last. With `all` (an expose, a moved picture) every
    // row is taken and returned, changed or not. A frame of another size than
    // the shown one starts the shown one black at that size, and all rows go.
    // Nothing while the screen is not presentable.
    Rows update(Screen& screen, bool all);

    int width() const { return width_; }
    int height() const { return height_; }
    const Pixel* row(int index) const { return pixels_.data() + index * width_; }

private:
    std::vector<Pixel> pixels_;
    int width_ = 0, height_ = 0;
};

} // namespace schlingo::platform
