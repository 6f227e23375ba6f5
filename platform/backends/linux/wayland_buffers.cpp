#include "platform/backends/linux/wayland_buffers.hpp"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace schlingo::platform::sdl {

// Two buffers take turns where the compositor lets go of the one shown only
// once the next one arrives; a third covers one that holds on longer.
constexpr std::size_t maxBuffers = 3;

struct WaylandBuffers::Buffer {
    WaylandBuffers* owner = nullptr;
    std::size_t index = 0; // in owner->turns_
    wl_buffer* buffer = nullptr;
    void* memory = MAP_FAILED;
    std::size_t bytes = 0;
    SDL_Surface* surface = nullptr; // the memory, as SDL's pixels
};

namespace {

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t /*version*/) {
    if (std::strcmp(interface, wl_shm_interface.name) == 0)
        static_cast<WaylandBuffers*>(data)->offered(
            static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1)));
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener{onGlobal, onGlobalRemove};

void onRelease(void* data, wl_buffer*) {
    const auto* buffer = static_cast<WaylandBuffers::Buffer*>(data);
    buffer->owner->released(buffer->index);
}

const wl_buffer_listener bufferListener{onRelease};

} // namespace

WaylandBuffers::WaylandBuffers() = default;

WaylandBuffers::~WaylandBuffers() {
    stop();
}

void WaylandBuffers::offered(wl_shm* shm) {
    if (shm_ != nullptr)
        wl_shm_destroy(shm_);
    shm_ = shm;
}

bool WaylandBuffers::start(wl_display* display, wl_surface* surface, int width, int height,
                           int bufferScale) {
    stop();
    display_ = display;
    surface_ = surface;
    queue_ = wl_display_create_queue(display);
    if (queue_ == nullptr)
        return false;
    // SDL dispatches the default queue from its event pump; the registry
    // asked here, and everything made from it, answers on ours.
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    if (wrapper == nullptr) {
        stop();
        return false;
    }
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue_);
    wl_registry* registry = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    if (registry == nullptr) {
        stop();
        return false;
    }
    wl_registry_add_listener(registry, &registryListener, this);
    const bool answered = wl_display_roundtrip_queue(display, queue_) >= 0;
    wl_registry_destroy(registry);
    if (!answered || shm_ == nullptr || !resize(width, height, bufferScale)) {
        stop();
        return false;
    }
    return true;
}

bool WaylandBuffers::resize(int width, int height, int bufferScale) {
    freeBuffers();
    width_ = width;
    height_ = height;
    scale_ = bufferScale > 0 ? bufferScale : 1;
    turns_ = BufferTurns(height);
    wl_surface_set_buffer_scale(surface_, scale_);
    return width > 0 && height > 0 && addBuffer() && addBuffer();
}

bool WaylandBuffers::addBuffer() {
    auto buffer = std::make_unique<Buffer>();
    buffer->owner = this;
    const int pitch = width_ * 4;
    buffer->bytes = static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height_);
    const int fd = memfd_create("schlingo-picture", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (ftruncate(fd, static_cast<off_t>(buffer->bytes)) == 0)
        buffer->memory = mmap(nullptr, buffer->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    wl_shm_pool* pool = nullptr;
    if (buffer->memory != MAP_FAILED)
        pool = wl_shm_create_pool(shm_, fd, static_cast<std::int32_t>(buffer->bytes));
    close(fd); // the compositor has its own copy of the descriptor
    if (pool == nullptr) {
        if (buffer->memory != MAP_FAILED)
            munmap(buffer->memory, buffer->bytes);
        return false;
    }
    // XRGB8888 is 0x00RRGGBB in native order: the game's own pixels.
    buffer->buffer =
        wl_shm_pool_create_buffer(pool, 0, width_, height_, pitch, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    buffer->surface = SDL_CreateRGBSurfaceWithFormatFrom(buffer->memory, width_, height_, 32, pitch,
                                                         SDL_PIXELFORMAT_RGB888);
    if (buffer->buffer == nullptr || buffer->surface == nullptr) {
        if (buffer->buffer != nullptr)
            wl_buffer_destroy(buffer->buffer);
        if (buffer->surface != nullptr)
            SDL_FreeSurface(buffer->surface);
        munmap(buffer->memory, buffer->bytes);
        return false;
    }
    buffer->index = turns_.add();
    wl_buffer_add_listener(buffer->buffer, &bufferListener, buffer.get());
    buffers_.push_back(std::move(buffer));
    return true;
}

void WaylandBuffers::freeBuffers() {
    for (const auto& buffer : buffers_) {
        wl_buffer_destroy(buffer->buffer);
        SDL_FreeSurface(buffer->surface);
        munmap(buffer->memory, buffer->bytes);
    }
    buffers_.clear();
    turns_ = BufferTurns();
    drawn_.reset();
}

void WaylandBuffers::stop() {
    freeBuffers();
    if (shm_ != nullptr)
        wl_shm_destroy(shm_);
    shm_ = nullptr;
    if (queue_ != nullptr) {
        wl_display_flush(display_);
        wl_event_queue_destroy(queue_);
    }
    queue_ = nullptr;
    display_ = nullptr;
    surface_ = nullptr;
}

std::optional<BufferTurns::Turn> WaylandBuffers::nextTurn() {
    if (wl_display_dispatch_queue_pending(display_, queue_) < 0)
        return std::nullopt;
    std::optional<BufferTurns::Turn> turn = turns_.next();
    // Releases already sent but not yet read come with a round trip.
    if (!turn && wl_display_roundtrip_queue(display_, queue_) >= 0)
        turn = turns_.next();
    if (!turn && buffers_.size() < maxBuffers && addBuffer())
        turn = turns_.next();
    while (!turn) {
        if (wl_display_dispatch_queue(display_, queue_) < 0)
            return std::nullopt;
        turn = turns_.next();
    }
    return turn;
}

SDL_Surface* WaylandBuffers::target() {
    drawn_.reset();
    if (queue_ == nullptr)
        return nullptr;
    const std::optional<BufferTurns::Turn> turn = nextTurn();
    if (!turn)
        return nullptr;
    Buffer& buffer = *buffers_[turn->buffer];
    if (turn->endRow > turn->firstRow) {
        const std::size_t pitch = static_cast<std::size_t>(width_) * 4;
        const std::size_t offset = static_cast<std::size_t>(turn->firstRow) * pitch;
        std::memcpy(static_cast<char*>(buffer.memory) + offset,
                    static_cast<const char*>(buffers_[turn->from]->memory) + offset,
                    static_cast<std::size_t>(turn->endRow - turn->firstRow) * pitch);
    }
    drawn_ = turn->buffer;
    return buffer.surface;
}

void WaylandBuffers::show(const SDL_Rect& changed) {
    if (!drawn_ || changed.w <= 0 || changed.h <= 0)
        return;
    wl_surface_attach(surface_, buffers_[*drawn_]->buffer, 0, 0);
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface_)) >=
        WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
        wl_surface_damage_buffer(surface_, changed.x, changed.y, changed.w, changed.h);
    } else {
        // Older compositors take damage in surface points: rounded outwards.
        const int left = changed.x / scale_, top = changed.y / scale_;
        wl_surface_damage(surface_, left, top, (changed.x + changed.w + scale_ - 1) / scale_ - left,
                          (changed.y + changed.h + scale_ - 1) / scale_ - top);
    }
    wl_surface_commit(surface_);
    wl_display_flush(display_);
    turns_.shown(*drawn_, changed.y, changed.y + changed.h);
    drawn_.reset();
}

} // namespace schlingo::platform::sdl
