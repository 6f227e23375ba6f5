#include "platform/machine/shown_frame.hpp"

#include <algorithm>
#include <cstddef>

namespace schlingo::platform {

void ShownFrame::reset(int width, int height, Pixel fill) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
}

ShownFrame::Rows ShownFrame::update(Screen& screen, bool all) {
    if (!screen.presentable())
        return {};
    if (screen.presentWidth() != width_ || screen.presentHeight() != height_) {
        reset(screen.presentWidth(), screen.presentHeight(), 0xFF000000);
        all = true;
    }
    const PresentSpan span = all ? screen.takeAllRows() : screen.takeRowsToPresent();
    const int last = std::min(span.lastRow, height_ - 1);
    const Pixel* frame = screen.pixels();
    const auto columns = static_cast<std::size_t>(width_);
    int first = -1, changed = -1;
    for (int row = std::max(0, span.firstRow); row <= last; ++row) {
        const Pixel* from = frame + static_cast<std::size_t>(row) * columns;
        Pixel* to = pixels_.data() + static_cast<std::size_t>(row) * columns;
        if (!std::equal(from, from + columns, to)) {
            std::copy(from, from + columns, to);
        } else if (!all) {
            continue;
        }
        if (first < 0)
            first = row;
        changed = row;
    }
    if (first < 0)
        return {};
    return {first, changed - first + 1};
}

} // namespace schlingo::platform
