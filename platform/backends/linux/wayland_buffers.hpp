#pragma once
// The game window's pictures on Wayland: buffers in shared memory attached to
// the surface SDL made, so that showing a picture costs a copy of its changed
// rows and no OpenGL (a machine without a graphics card would draw with Mesa
// in software, several milliseconds a key, and load it for tens of MB).
// SDL keeps the toplevel, its configuration and the input. Presenter thread
// only; the buffers' release events arrive on a queue of their own, which
// nothing but this class dispatches.

#include "platform/backends/linux/buffer_turns.hpp"

#include <SDL2/SDL_surface.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

struct wl_buffer;
struct wl_display;
struct wl_event_queue;
struct wl_shm;
struct wl_surface;

namespace schlingo::platform::sdl {

class WaylandBuffers {
public:
    WaylandBuffers();
    ~WaylandBuffers();
    WaylandBuffers(const WaylandBuffers&) = delete;
    WaylandBuffers& operator=(const WaylandBuffers&) = delete;

    // False when the compositor offers no shared memory or none can be made.
    bool start(wl_display* display, wl_surface* surface, int width, int height, int bufferScale);
    // Another size (the window moved to an output of another scale). The
    // buffers start black.
    bool resize(int width, int height, int bufferScale);
    void stop();
    bool started() const { return queue_ != nullptr; }
    bool fits(int width, int height) const { return width == width_ && height == height_; }

    // Where the next picture is drawn: a buffer the compositor does not read,
    // holding the picture shown last. Null when the connection failed.
    SDL_Surface* target();
    // Shows the target, of which `changed` (buffer pixels) differs from the
    // picture shown before.
    void show(const SDL_Rect& changed);

    // The compositor's answers (C callbacks).
    void offered(wl_shm* shm);
    void released(std::size_t buffer) { turns_.released(buffer); }
    struct Buffer;

private:
    bool addBuffer();
    void freeBuffers();
    std::optional<BufferTurns::Turn> nextTurn();

    wl_display* display_ = nullptr;
    wl_surface* surface_ = nullptr;
    wl_event_queue* queue_ = nullptr;
    wl_shm* shm_ = nullptr;
    int width_ = 0, height_ = 0, scale_ = 1;
    std::vector<std::unique_ptr<Buffer>> buffers_; // indexed as in turns_
    BufferTurns turns_;
    std::optional<std::size_t> drawn_; // the buffer target() handed out
};

} // namespace schlingo::platform::sdl
