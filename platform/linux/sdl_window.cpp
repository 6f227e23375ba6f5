#include "platform/linux/sdl_window.hpp"

#include "platform/linux/sdl_keys.hpp"
#include "platform/presenter_scale.hpp"
#include "platform/text_codec.hpp"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>
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

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The player's factor, else the desktop's: GDK_SCALE, else the X resource
// Xft.dpi that GTK reads as well.
int windowScale() {
    const std::string_view requested = environment("SCHLINGO_SCALE");
    const std::string_view desktop = environment("GDK_SCALE");
    if (scaleRequested(requested) || desktopScaleGiven(desktop))
        return chooseScale(requested, desktop);
    std::string dpi;
    if (::Display* x = XOpenDisplay(nullptr)) {
        if (const char* resources = XResourceManagerString(x))
            dpi = xftDpiResource(resources);
        XCloseDisplay(x);
    }
    return chooseScale(requested, desktop, dpi);
}

// Everything SDL: lives on the presenter thread only.
class Presenter {
public:
    Presenter(Display* display, bool video, int scale, std::atomic<std::uintptr_t>& handle)
        : display_(display), video_(video), scale_(scale), handle_(handle) {}

    void open(int width, int height, const std::string& cp1252Title) {
        close();
        if (!video_)
            return;
        // Resizable only so that the window manager offers maximising: a
        // larger client shows the picture at the largest whole factor.
        window_ = SDL_CreateWindow(cp1252ToUtf8(cp1252Title).c_str(), SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED, width * scale_, height * scale_,
                                   SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
        if (window_ == nullptr)
            return;
        SDL_SetWindowMinimumSize(window_, width * scale_, height * scale_);
        SDL_RaiseWindow(window_);
        SDL_StartTextInput();
        windowId_ = SDL_GetWindowID(window_);
        SDL_GetWindowSize(window_, &clientWidth_, &clientHeight_);
        frameWidth_ = width;
        frameHeight_ = height;
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

    // Display::lock held. Client pixel (x, y) in game pixels; outside the
    // picture (the black border included) the pointer is outside.
    void pointerAt(Input& input, int x, int y) const {
        const Placement place =
            placePicture(frameWidth_, frameHeight_, clientWidth_, clientHeight_);
        if (const GamePoint game = place.toGame(x, y); game.inside()) {
            input.pointerMoved(game.x, game.y, true);
        } else {
            const GamePoint nearest = place.nearestGame(x, y);
            input.pointerMoved(nearest.x, nearest.y, false);
        }
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
                pointerAt(input, event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != windowId_)
                break;
            pointerAt(input, event.button.x, event.button.y);
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
                pointerAt(input, event.window.data1, event.window.data2);
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

    // Display::lock held. Copies the rows to present into the window surface,
    // each game pixel as a factor x factor block, and returns the rectangle
    // that really changed there.
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
        const Placement place =
            placePicture(frameWidth, screen.presentHeight(), surface.w, surface.h);
        const int factor = place.factor;
        const int columns = std::min(frameWidth, (surface.w - place.left) / factor);
        const int lastRow = std::min(
            {span.lastRow, screen.presentHeight() - 1, (surface.h - place.top) / factor - 1});
        if (columns <= 0 || lastRow < span.firstRow)
            return {0, 0, 0, 0};
        const Pixel* frame = screen.pixels();
        auto* target = static_cast<Uint8*>(surface.pixels);
        const SDL_PixelFormat& format = *surface.format;
        const bool sameLayout = format.BytesPerPixel == 4 && format.Rmask == 0x00FF0000 &&
                                format.Gmask == 0x0000FF00 && format.Bmask == 0x000000FF;
        const int targetColumns = columns * factor;
        const std::size_t rowBytes = static_cast<std::size_t>(targetColumns) * 4;
        if (full && (place.left > 0 || place.top > 0 || place.width() < surface.w ||
                     place.height() < surface.h))
            SDL_FillRect(&surface, nullptr, 0);

        int first = -1, last = -1;
        for (int row = span.firstRow; row <= lastRow; ++row) {
            const Pixel* line = frame + static_cast<std::size_t>(row) * frameWidth;
            if (factor > 1) {
                wide_.resize(static_cast<std::size_t>(targetColumns));
                Pixel* out = wide_.data();
                for (int column = 0; column < columns; ++column)
                    out = std::fill_n(out, factor, line[column]);
                line = wide_.data();
            }
            Uint8* destination =
                target + static_cast<std::size_t>(place.top + row * factor) * surface.pitch +
                static_cast<std::size_t>(place.left) * format.BytesPerPixel;
            // The surface holds what the window shows: rows that a
            // whole-screen unlock marked but did not change are not uploaded.
            if (sameLayout && !full && std::memcmp(destination, line, rowBytes) == 0)
                continue;
            for (int copy = 0; copy < factor; ++copy, destination += surface.pitch) {
                if (sameLayout)
                    std::memcpy(destination, line, rowBytes);
                else
                    SDL_ConvertPixels(targetColumns, 1, SDL_PIXELFORMAT_ARGB8888, line,
                                      targetColumns * 4, format.format, destination, surface.pitch);
            }
            if (first < 0)
                first = row;
            last = row;
        }
        if (full)
            return {0, 0, surface.w, surface.h};
        if (first < 0)
            return {0, 0, 0, 0};
        return {place.left, place.top + first * factor, targetColumns, (last - first + 1) * factor};
    }

    Display* display_;
    bool video_;
    int scale_; // the factor a window opens with
    std::atomic<std::uintptr_t>& handle_;
    SDL_Window* window_ = nullptr;
    Uint32 windowId_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    int frameWidth_ = 0, frameHeight_ = 0; // game pixels of the open window
    std::vector<Pixel> wide_;              // one frame row, each pixel repeated
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
    Presenter presenter(display, video, video ? windowScale() : 1, handle_);
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
