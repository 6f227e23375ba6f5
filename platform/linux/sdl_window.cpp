#include "platform/linux/sdl_window.hpp"

#include "platform/linux/sdl_keys.hpp"
#include "platform/text_codec.hpp"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace schlingo::platform::sdl {

// The program icon, 48 x 48 top-down BGRA, embedded at build time (empty when
// the picture was missing then).
extern const unsigned char programIconPixels[];
extern const std::size_t programIconSize;

namespace {

int buttonBit(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_X1:
        return 3;
    case SDL_BUTTON_X2:
        return 4;
    default:
        return -1;
    }
}

// Everything SDL: lives on the presenter thread only.
class Presenter {
public:
    Presenter(Display* display, bool video, std::atomic<std::uintptr_t>& handle)
        : display_(display), video_(video), handle_(handle) {}

    void open(int width, int height, const std::string& cp1252Title) {
        close();
        if (!video_)
            return;
        window_ = SDL_CreateWindow(cp1252ToUtf8(cp1252Title).c_str(), SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
        if (window_ == nullptr)
            return;
        SDL_RaiseWindow(window_);
        SDL_StartTextInput();
        windowId_ = SDL_GetWindowID(window_);
        clientWidth_ = width;
        clientHeight_ = height;
        forceFull_ = true;
        // Black until the frame made for this window is in place.
        if (SDL_Surface* surface = SDL_GetWindowSurface(window_)) {
            SDL_FillRect(surface, nullptr, 0);
            SDL_UpdateWindowSurface(window_);
        }
        std::uintptr_t id = windowId_;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11)
            id = static_cast<std::uintptr_t>(info.info.x11.window);
        handle_.store(id);
    }

    void close() {
        if (window_ == nullptr)
            return;
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        windowId_ = 0;
        handle_.store(0);
        if (display_ != nullptr) {
            std::lock_guard guard(display_->lock);
            display_->input.setActive(false);
            display_->input.pointerMoved(-1, -1, false);
        }
    }

    void setTitle(const std::string& cp1252Title) {
        if (window_ != nullptr)
            SDL_SetWindowTitle(window_, cp1252ToUtf8(cp1252Title).c_str());
    }

    void setIcon() {
        constexpr int side = 48;
        if (window_ == nullptr || programIconSize != side * side * 4)
            return;
        // BGRA bytes read little-endian are 0xAARRGGBB.
        SDL_Surface* icon =
            SDL_CreateRGBSurfaceFrom(const_cast<unsigned char*>(programIconPixels), side, side, 32,
                                     side * 4, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
        if (icon == nullptr)
            return;
        SDL_SetWindowIcon(window_, icon);
        SDL_FreeSurface(icon);
    }

    bool hasWindow() const { return window_ != nullptr; }

    // One pass: events, key table, changed rows. Returns the rows uploaded.
    int pass() {
        collectEvents();
        SDL_Surface* surface = window_ != nullptr ? SDL_GetWindowSurface(window_) : nullptr;
        SDL_Rect upload{0, 0, 0, 0};
        if (display_ != nullptr) {
            std::lock_guard guard(display_->lock);
            for (const SDL_Event& event : events_)
                apply(event);
            display_->input.refreshKeyTable();
            if (surface != nullptr)
                upload = copyRows(*surface);
        }
        if (upload.h > 0)
            SDL_UpdateWindowSurfaceRects(window_, &upload, 1);
        return upload.h;
    }

private:
    void collectEvents() {
        events_.clear();
        if (!video_)
            return;
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            if (event.type == SDL_WINDOWEVENT) {
                if (event.window.windowID != windowId_)
                    continue;
                switch (event.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                    forceFull_ = true;
                    continue;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    clientWidth_ = event.window.data1;
                    clientHeight_ = event.window.data2;
                    forceFull_ = true;
                    continue;
                case SDL_WINDOWEVENT_ENTER:
                    // The event carries no position; the pointer is here now.
                    SDL_GetMouseState(&event.window.data1, &event.window.data2);
                    break;
                default:
                    break;
                }
            }
            events_.push_back(event);
        }
    }

    bool inside(int x, int y) const {
        return x >= 0 && y >= 0 && x < clientWidth_ && y < clientHeight_;
    }

    // Display::lock held.
    void apply(const SDL_Event& event) {
        Input& input = display_->input;
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (event.key.windowID != windowId_)
                break;
            const bool down = event.type == SDL_KEYDOWN;
            keyMod_ = event.key.keysym.mod;
            if (int code = toSet1(event.key.keysym.scancode); code != 0)
                input.keyEvent(code, down, isExtended(event.key.keysym.scancode));
            if (down) {
                if (auto code = keyDownCode(event.key.keysym))
                    input.postKey(*code);
            }
            break;
        }
        case SDL_TEXTINPUT:
            if (event.text.windowID != windowId_ || !textPosts(keyMod_))
                break;
            for (std::uint32_t code : textCodes(event.text.text))
                input.postKey(code);
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == windowId_)
                input.pointerMoved(event.motion.x, event.motion.y,
                                   inside(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != windowId_)
                break;
            input.pointerMoved(event.button.x, event.button.y,
                               inside(event.button.x, event.button.y));
            if (int bit = buttonBit(event.button.button); bit >= 0)
                input.buttonChanged(bit, event.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        case SDL_MOUSEWHEEL: {
            if (event.wheel.windowID != windowId_)
                break;
            int notches = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                notches = -notches;
            if (notches != 0)
                input.wheelMoved(notches);
            break;
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                input.setActive(true);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                input.setActive(false);
                break;
            case SDL_WINDOWEVENT_ENTER:
                input.pointerMoved(event.window.data1, event.window.data2, true);
                break;
            case SDL_WINDOWEVENT_LEAVE:
                input.pointerMoved(-1, -1, false);
                break;
            case SDL_WINDOWEVENT_CLOSE:
                input.postCloseRequest();
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    }

    // Display::lock held. Copies the rows to present into the window surface
    // and returns the rectangle that really changed there.
    SDL_Rect copyRows(SDL_Surface& surface) {
        Screen& screen = display_->screen;
        if (!screen.presentable())
            return {0, 0, 0, 0};
        const bool full = forceFull_;
        forceFull_ = false;
        const PresentSpan span = full ? screen.takeAllRows() : screen.takeRowsToPresent();
        if (span.empty())
            return {0, 0, 0, 0};

        const int frameWidth = screen.presentWidth();
        const int columns = std::min(frameWidth, surface.w);
        const int lastRow = std::min({span.lastRow, screen.presentHeight() - 1, surface.h - 1});
        if (columns <= 0 || lastRow < span.firstRow)
            return {0, 0, 0, 0};
        const Pixel* frame = screen.pixels();
        auto* target = static_cast<Uint8*>(surface.pixels);
        const SDL_PixelFormat& format = *surface.format;
        const bool sameLayout = format.BytesPerPixel == 4 && format.Rmask == 0x00FF0000 &&
                                format.Gmask == 0x0000FF00 && format.Bmask == 0x000000FF;

        if (full && (surface.w > frameWidth || surface.h > screen.presentHeight()))
            SDL_FillRect(&surface, nullptr, 0);
        if (!sameLayout) {
            SDL_ConvertPixels(columns, lastRow - span.firstRow + 1, SDL_PIXELFORMAT_ARGB8888,
                              frame + static_cast<std::size_t>(span.firstRow) * frameWidth,
                              frameWidth * 4, format.format,
                              target + static_cast<std::size_t>(span.firstRow) * surface.pitch,
                              surface.pitch);
            if (full)
                return {0, 0, surface.w, surface.h};
            return {0, span.firstRow, columns, lastRow - span.firstRow + 1};
        }

        // The surface holds what the window shows: rows that a whole-screen
        // unlock marked but did not change are not uploaded again.
        const std::size_t rowBytes = static_cast<std::size_t>(columns) * 4;
        int first = -1, last = -1;
        for (int row = span.firstRow; row <= lastRow; ++row) {
            const Pixel* source = frame + static_cast<std::size_t>(row) * frameWidth;
            Uint8* destination = target + static_cast<std::size_t>(row) * surface.pitch;
            if (!full && std::memcmp(destination, source, rowBytes) == 0)
                continue;
            std::memcpy(destination, source, rowBytes);
            if (first < 0)
                first = row;
            last = row;
        }
        if (full)
            return {0, 0, surface.w, surface.h};
        if (first < 0)
            return {0, 0, 0, 0};
        return {0, first, columns, last - first + 1};
    }

    Display* display_;
    bool video_;
    std::atomic<std::uintptr_t>& handle_;
    SDL_Window* window_ = nullptr;
    Uint32 windowId_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    bool forceFull_ = false;
    Uint16 keyMod_ = 0; // modifiers as of the last key event
    std::vector<SDL_Event> events_;
};

} // namespace

void SdlWindow::attach(Display* display) {
    std::lock_guard guard(commandLock_);
    display_ = display;
}

void SdlWindow::open(int width, int height, const std::string& cp1252Title) {
    std::unique_lock lock(commandLock_);
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    openRequest_ = OpenRequest{width, height, cp1252Title};
    const long long target = opensDone_ + 1;
    wakeLocked();
    done_.wait(lock, [&] { return opensDone_ >= target; });
}

void SdlWindow::setTitle(const std::string& cp1252Title) {
    std::lock_guard guard(commandLock_);
    titleRequest_ = cp1252Title;
    wakeLocked();
}

void SdlWindow::setProgramIcon() {
    std::lock_guard guard(commandLock_);
    iconRequest_ = true;
    wakeLocked();
}

void SdlWindow::wake() {
    std::lock_guard guard(commandLock_);
    wakeLocked();
}

void SdlWindow::wakeLocked() {
    wake_.notify_one();
    if (wakeEventType_ != 0) {
        SDL_Event event{};
        event.type = wakeEventType_;
        SDL_PushEvent(&event);
    }
}

void SdlWindow::stop() {
    {
        std::lock_guard guard(commandLock_);
        if (!thread_.joinable())
            return;
        stopRequest_ = true;
        wakeLocked();
    }
    thread_.join();
    std::lock_guard guard(commandLock_);
    stopRequest_ = false;
}

SdlWindow::Counters SdlWindow::counters() const {
    std::lock_guard guard(commandLock_);
    return counters_;
}

bool SdlWindow::hasRequests() const {
    return openRequest_ || titleRequest_ || iconRequest_ || stopRequest_;
}

void SdlWindow::run() {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0"); // no software OpenGL per frame
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    const bool video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;

    Display* display = nullptr;
    {
        std::lock_guard guard(commandLock_);
        display = display_;
        const Uint32 type = video ? SDL_RegisterEvents(1) : 0;
        wakeEventType_ = type == static_cast<Uint32>(-1) ? 0 : type;
    }
    Presenter presenter(display, video, handle_);
    // Event-driven: a pass runs when the window has events (input, expose)
    // or the game has asked for something (wake), never on a clock.
    for (;;) {
        std::optional<OpenRequest> open;
        std::optional<std::string> title;
        bool icon = false;
        {
            std::lock_guard lock(commandLock_);
            if (stopRequest_)
                break;
            open.swap(openRequest_);
            title.swap(titleRequest_);
            icon = std::exchange(iconRequest_, false);
        }
        if (open) {
            presenter.open(open->width, open->height, open->title);
            std::lock_guard guard(commandLock_);
            ++opensDone_;
            done_.notify_all();
        }
        if (title)
            presenter.setTitle(*title);
        if (icon)
            presenter.setIcon();

        const int rows = presenter.pass();
        {
            std::unique_lock lock(commandLock_);
            ++counters_.passes;
            counters_.rowsUploaded += rows;
            if (hasRequests())
                continue;
            if (!presenter.hasWindow() || wakeEventType_ == 0) {
                // Nothing to show and no window events to wait for.
                wake_.wait(lock, [this] { return hasRequests(); });
                continue;
            }
        }
        // A wake pushed after the pass waits in SDL's queue, so none is lost.
        SDL_WaitEvent(nullptr);
    }
    {
        std::lock_guard guard(commandLock_);
        wakeEventType_ = 0;
    }
    presenter.close();
    if (video)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

} // namespace schlingo::platform::sdl
