#pragma once
// Which of a window's picture buffers the next picture is drawn in, and what
// that buffer must first take over from the picture shown: the bookkeeping of
// WaylandBuffers, apart from Wayland. A buffer the compositor still reads
// (shown and not released) is never handed out.

#include <cstddef>
#include <optional>
#include <vector>

namespace schlingo::platform::sdl {

class BufferTurns {
public:
    struct Turn {
        std::size_t buffer = 0;
        // Rows [firstRow, endRow) to copy from `from` (the buffer shown last)
        // before drawing; none when endRow <= firstRow.
        std::size_t from = 0;
        int firstRow = 0, endRow = 0;
    };

    explicit BufferTurns(int height = 0) : height_(height) {}

    // A new buffer, black; returns its index.
    std::size_t add();
    std::size_t count() const { return buffers_.size(); }
    // The buffer to draw in next, or none while the compositor reads all.
    // The buffer shown last is taken again when it is free: it needs nothing.
    std::optional<Turn> next();
    // The turn's buffer was drawn in (rows [firstRow, endRow) differ from the
    // picture before) and is now shown.
    void shown(std::size_t buffer, int firstRow, int endRow);
    void released(std::size_t buffer) { buffers_.at(buffer).busy = false; }

private:
    struct State {
        bool busy = false;
        int staleTop = 0, staleBottom = 0; // rows behind the picture shown
    };
    std::vector<State> buffers_;
    std::optional<std::size_t> shown_;
    int height_;
};

} // namespace schlingo::platform::sdl
