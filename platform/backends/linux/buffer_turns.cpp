#include "platform/backends/linux/buffer_turns.hpp"

#include <algorithm>

namespace schlingo::platform::sdl {

std::size_t BufferTurns::add() {
    State state;
    // New memory is black; where a picture was shown already, all of it is behind.
    if (shown_)
        state.staleBottom = height_;
    buffers_.push_back(state);
    return buffers_.size() - 1;
}

std::optional<BufferTurns::Turn> BufferTurns::next() {
    std::optional<std::size_t> pick;
    if (shown_ && !buffers_[*shown_].busy)
        pick = shown_;
    for (std::size_t i = 0; !pick && i < buffers_.size(); ++i)
        if (!buffers_[i].busy)
            pick = i;
    if (!pick)
        return std::nullopt;
    State& state = buffers_[*pick];
    Turn turn;
    turn.buffer = *pick;
    if (shown_ && *shown_ != *pick) {
        turn.from = *shown_;
        turn.firstRow = state.staleTop;
        turn.endRow = state.staleBottom;
    }
    // Once copied the buffer holds the picture shown.
    state.staleTop = state.staleBottom = 0;
    return turn;
}

void BufferTurns::shown(std::size_t buffer, int firstRow, int endRow) {
    buffers_.at(buffer).busy = true;
    shown_ = buffer;
    if (endRow <= firstRow)
        return;
    for (std::size_t i = 0; i < buffers_.size(); ++i) {
        State& other = buffers_[i];
        if (i == buffer)
            continue;
        if (other.staleBottom <= other.staleTop) {
            other.staleTop = firstRow;
            other.staleBottom = endRow;
        } else {
            other.staleTop = std::min(other.staleTop, firstRow);
            other.staleBottom = std::max(other.staleBottom, endRow);
        }
    }
}

} // namespace schlingo::platform::sdl
