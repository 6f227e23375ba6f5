#include "platform/backends/linux/sdl_window.hpp"

#include "platform/backends/desktop_kit/presenter_scale.hpp"
#include "platform/backends/linux/sdl_keys.hpp"
#include "platform/backends/linux/wayland_buffers.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/shown_frame.hpp"
#include "platform/machine/text_codec.hpp"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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

bool onWayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "wayland") == 0;
}

// The factor asked for on X11, in screen pixels per game pixel: the player's,
// else the desktop's, GDK_SCALE or else the X resource Xft.dpi that GTK reads
// as well.
int x11Scale() {
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

// SDL's text for what failed, in the program's code page.
std::string sdlFailure(const char* call) {
    std::string text = call;
    const char* error = SDL_GetError();
    if (error != nullptr && *error != '\0') {
        text += ": ";
        text += utf8ToCp1252(error).value_or("?");
    }
    return text;
}

// The screen a window opens on, in the pixels its buffers are drawn in: SDL
// centres a window on display 0 (a Wayland compositor places it itself, on
// the one output of the common case).
struct OpeningScreen {
    int bufferScale = 1;               // device pixels per logical pixel (Wayland)
    int areaWidth = 0, areaHeight = 0; // the work area, device pixels
};

OpeningScreen openingScreen(bool wayland) {
    OpeningScreen screen;
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
        return screen;
    SDL_Rect bounds{0, 0, 0, 0};
    SDL_DisplayMode native{};
    // Wayland's display bounds are logical; its largest mode is the output's own.
    if (wayland && SDL_GetDisplayBounds(0, &bounds) == 0 && SDL_GetDisplayMode(0, 0, &native) == 0)
        screen.bufferScale = outputScale(native.w, bounds.w);
    screen.areaWidth = usable.w * screen.bufferScale;
    screen.areaHeight = usable.h * screen.bufferScale;
    return screen;
}

// Everything SDL: lives on the presenter thread only, but wake.
class SdlWindow final : public NativeWindow {
public:
    SdlWindow(Display& display, Uint32 wakeEventType)
        : wakeEventType_(wakeEventType), display_(display) {
        wayland_ = onWayland();
        // On Wayland the desktop's factor is the output's scale, as GTK takes
        // it there: looked up for every window.
        const std::string_view requested = environment("SCHLINGO_SCALE");
        if (!wayland_)
            askedScale_ = x11Scale();
        else if (scaleRequested(requested))
            askedScale_ = chooseScale(requested);
    }

    ~SdlWindow() override {
        close();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
    }

    std::string open(int width, int height, const std::string& cp1252Title) override {
        // The largest whole factor up to the one asked for whose window fits
        // the work area; the frame of an earlier window counts as well.
        const OpeningScreen screen = openingScreen(wayland_);
        const int asked = askedScale_ > 0 ? askedScale_ : screen.bufferScale;
        const int factor =
            fittingScale(asked, width, height, screen.areaWidth - decorWidth_ * screen.bufferScale,
                         screen.areaHeight - decorHeight_ * screen.bufferScale);
        // On Wayland the size is logical: the output's scale turns it into the
        // device pixels the picture is drawn in.
        const int logicalWidth = (width * factor + screen.bufferScale - 1) / screen.bufferScale;
        const int logicalHeight = (height * factor + screen.bufferScale - 1) / screen.bufferScale;
        // Resizable only so that the window manager offers maximising: a
        // larger client shows the picture at the largest whole factor.
        window_ =
            SDL_CreateWindow(cp1252ToUtf8(cp1252Title).c_str(), SDL_WINDOWPOS_CENTERED,
                             SDL_WINDOWPOS_CENTERED, logicalWidth, logicalHeight,
                             SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
        if (window_ == nullptr)
            return sdlFailure("SDL_CreateWindow");
        SDL_SetWindowMinimumSize(window_, logicalWidth, logicalHeight);
        SDL_ShowWindow(window_);
        // A tiling compositor (sway) stretches a window of no fixed size to
        // its tile; this one keeps the size it asked for. SDL's Wayland driver
        // tells the compositor only once the window is shown (its toplevel
        // exists from then on), so the sizes are set again here.
        if (wayland_) {
            SDL_SetWindowMinimumSize(window_, logicalWidth, logicalHeight);
            SDL_SetWindowMaximumSize(window_, logicalWidth, logicalHeight);
        }
        // X brings the new window to the front at once, before the start
        // window can follow it. Wayland's compositor focuses a new window
        // itself; SDL's raise there is an activation request without the
        // player's input behind it, answered later: should the start window
        // have the focus by then (it opens right after the empty game window
        // at the end of a game), sway flags the game window urgent instead.
        if (!wayland_)
            SDL_RaiseWindow(window_);
        SDL_StartTextInput();
        windowId_ = SDL_GetWindowID(window_);
        updateClientSize();
        frameWidth_ = width;
        frameHeight_ = height;
        forceFull_ = true;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        const bool known = SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE;
        // Black until the frame made for this window is in place: on Wayland
        // the window appears only with its first picture.
        if (known && info.subsystem == SDL_SYSWM_WAYLAND) {
            const int bufferScale = logicalWidth_ > 0 ? clientWidth_ / logicalWidth_ : 1;
            if (!buffers_.start(info.info.wl.display, info.info.wl.surface, clientWidth_,
                                clientHeight_, bufferScale))
                return noSharedMemory;
            if (SDL_Surface* black = buffers_.target())
                buffers_.show({0, 0, black->w, black->h});
        } else if (SDL_Surface* surface = SDL_GetWindowSurface(window_)) {
            SDL_FillRect(surface, nullptr, 0);
            if (SDL_UpdateWindowSurface(window_) != 0)
                return sdlFailure("SDL_UpdateWindowSurface");
        } else {
            return sdlFailure("SDL_GetWindowSurface");
        }
        handle_ = windowId_;
        if (known && info.subsystem == SDL_SYSWM_X11)
            handle_ = static_cast<std::uintptr_t>(info.info.x11.window);
        return {};
    }

    void close() override {
        if (window_ == nullptr)
            return;
        // The frame the window manager gave this window: the next one fits
        // with it. (X11 knows it only once the window is shown.)
        int top = 0, left = 0, bottom = 0, right = 0;
        if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0 &&
            top + left + bottom + right > 0) {
            decorWidth_ = left + right;
            decorHeight_ = top + bottom;
        }
        buffers_.stop();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        windowId_ = 0;
        handle_ = 0;
    }

    void setTitle(const std::string& cp1252Title) override {
        if (window_ != nullptr)
            SDL_SetWindowTitle(window_, cp1252ToUtf8(cp1252Title).c_str());
    }

    void setIcon() override {
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

    std::uintptr_t handle() const override { return handle_; }

    void pump() override {
        batch_.clear();
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
                    updateClientSize();
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
            translate(event);
        }
        display_.deliver(batch_);
        SDL_Surface* surface = target();
        SDL_Rect upload{0, 0, 0, 0};
        if (surface != nullptr) {
            std::lock_guard guard(display_.lock);
            upload = copyRows(*surface);
        }
        if (upload.h > 0)
            present(upload);
    }

    void waitForEvents() override { SDL_WaitEvent(nullptr); }

    void wake() override {
        SDL_Event event{};
        event.type = wakeEventType_;
        SDL_PushEvent(&event);
    }

private:
    // The window's size in SDL's coordinates and in the pixels drawn.
    void updateClientSize() {
        SDL_GetWindowSize(window_, &logicalWidth_, &logicalHeight_);
        SDL_GetWindowSizeInPixels(window_, &clientWidth_, &clientHeight_);
        if (buffers_.started() && !buffers_.fits(clientWidth_, clientHeight_) &&
            !buffers_.resize(clientWidth_, clientHeight_,
                             logicalWidth_ > 0 ? clientWidth_ / logicalWidth_ : 1)) {
            // The picture goes on through SDL's own surface, and says why.
            buffers_.stop();
            std::fprintf(stderr, "Schlingo: %s, nach dem Wechsel der Bildgr\u00f6\u00dfe.\n",
                         cp1252ToUtf8(noSharedMemory).c_str());
            if (SDL_GetWindowSurface(window_) == nullptr)
                std::fprintf(stderr, "Schlingo: Das Spielfenster zeigt kein Bild mehr (%s).\n",
                             cp1252ToUtf8(sdlFailure("SDL_GetWindowSurface")).c_str());
        }
    }

    // Where this pass draws: the window's own surface, or a Wayland buffer
    // holding the picture shown last.
    SDL_Surface* target() {
        if (window_ == nullptr)
            return nullptr;
        if (!buffers_.started())
            return SDL_GetWindowSurface(window_);
        // A buffer is taken only when there is something to show in it: a
        // pass without may find every buffer with the compositor and would
        // make another one.
        bool rows = forceFull_;
        if (!rows) {
            std::lock_guard guard(display_.lock);
            rows = display_.screen.presentable() && display_.screen.hasRowsToPresent();
        }
        return rows ? buffers_.target() : nullptr;
    }

    // Shows the changed rectangle of the target.
    void present(const SDL_Rect& changed) {
        if (buffers_.started())
            buffers_.show(changed);
        else
            SDL_UpdateWindowSurfaceRects(window_, &changed, 1);
    }

    // Window point (x, y) in game pixels; outside the picture (the black
    // border included) the pointer is outside. SDL counts a Wayland window's
    // points logically; the picture is in device pixels.
    void pointerAt(int x, int y) {
        if (logicalWidth_ > 0 && logicalHeight_ > 0 &&
            (logicalWidth_ != clientWidth_ || logicalHeight_ != clientHeight_)) {
            x = static_cast<int>(std::floor(static_cast<double>(x) * clientWidth_ / logicalWidth_));
            y = static_cast<int>(
                std::floor(static_cast<double>(y) * clientHeight_ / logicalHeight_));
        }
        const Placement place =
            placePicture(frameWidth_, frameHeight_, clientWidth_, clientHeight_);
        const GamePoint game = place.toGame(x, y);
        const GamePoint nearest = game.inside() ? game : place.nearestGame(x, y);
        batch_.push_back(InputEvent::pointer(nearest.x, nearest.y, game.inside()));
    }

    void translate(const SDL_Event& event) {
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (event.key.windowID != windowId_)
                break;
            const bool down = event.type == SDL_KEYDOWN;
            keyMod_ = event.key.keysym.mod;
            if (int code = toSet1(event.key.keysym.scancode); code != 0)
                batch_.push_back(
                    InputEvent::key(code, down, isExtended(event.key.keysym.scancode)));
            if (auto typed = down ? keyDownEvent(event.key.keysym) : std::nullopt)
                batch_.push_back(*typed);
            break;
        }
        case SDL_TEXTINPUT:
            if (event.text.windowID != windowId_ || !textPosts(keyMod_))
                break;
            for (char32_t c : textCodePoints(event.text.text))
                batch_.push_back(InputEvent::typed(c));
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == windowId_)
                pointerAt(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != windowId_)
                break;
            pointerAt(event.button.x, event.button.y);
            if (int bit = buttonBit(event.button.button); bit >= 0)
                batch_.push_back(InputEvent::button(bit, event.type == SDL_MOUSEBUTTONDOWN,
                                                    event.button.which == SDL_TOUCH_MOUSEID));
            break;
        }
        case SDL_MOUSEWHEEL: {
            if (event.wheel.windowID != windowId_)
                break;
            int notches = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                notches = -notches;
            if (notches != 0)
                batch_.push_back(InputEvent::wheel(notches));
            break;
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
            case SDL_WINDOWEVENT_FOCUS_LOST:
                batch_.push_back(
                    InputEvent::focus(event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED));
                break;
            case SDL_WINDOWEVENT_ENTER:
                pointerAt(event.window.data1, event.window.data2);
                break;
            case SDL_WINDOWEVENT_LEAVE:
                batch_.push_back(InputEvent::pointer(-1, -1, false));
                break;
            case SDL_WINDOWEVENT_CLOSE:
                batch_.push_back(InputEvent::close());
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    }

    // Display::lock held. Copies the rows that changed since the last present
    // (all after an expose) into the window surface, each game pixel as a
    // factor x factor block, and returns the rectangle they cover there.
    SDL_Rect copyRows(SDL_Surface& surface) {
        if (!display_.screen.presentable())
            return {0, 0, 0, 0};
        const bool full = std::exchange(forceFull_, false);
        const ShownFrame::Rows rows = shown_.update(display_.screen, full);
        if (rows.empty())
            return {0, 0, 0, 0};

        const int frameWidth = shown_.width();
        const Placement place = placePicture(frameWidth, shown_.height(), surface.w, surface.h);
        const int factor = place.factor;
        const int columns = std::min(frameWidth, (surface.w - place.left) / factor);
        const int lastRow =
            std::min(rows.first + rows.count - 1, (surface.h - place.top) / factor - 1);
        if (columns <= 0 || lastRow < rows.first)
            return {0, 0, 0, 0};
        auto* target = static_cast<Uint8*>(surface.pixels);
        const SDL_PixelFormat& format = *surface.format;
        const bool sameLayout = format.BytesPerPixel == 4 && format.Rmask == 0x00FF0000 &&
                                format.Gmask == 0x0000FF00 && format.Bmask == 0x000000FF;
        const int targetColumns = columns * factor;
        const std::size_t rowBytes = static_cast<std::size_t>(targetColumns) * 4;
        if (full && (place.left > 0 || place.top > 0 || place.width() < surface.w ||
                     place.height() < surface.h))
            SDL_FillRect(&surface, nullptr, 0);

        for (int row = rows.first; row <= lastRow; ++row) {
            const Pixel* line = shown_.row(row);
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
            for (int copy = 0; copy < factor; ++copy, destination += surface.pitch) {
                if (sameLayout)
                    std::memcpy(destination, line, rowBytes);
                else
                    SDL_ConvertPixels(targetColumns, 1, SDL_PIXELFORMAT_ARGB8888, line,
                                      targetColumns * 4, format.format, destination, surface.pitch);
            }
        }
        if (full)
            return {0, 0, surface.w, surface.h};
        return {place.left, place.top + rows.first * factor, targetColumns,
                (lastRow - rows.first + 1) * factor};
    }

    static constexpr const char* noSharedMemory =
        "wl_shm: kein gemeinsamer Speicher f\xfcr das Bild";

    Uint32 wakeEventType_;
    Display& display_;
    std::uintptr_t handle_ = 0;
    std::vector<InputEvent> batch_;
    bool wayland_ = false;
    int askedScale_ = 0; // the factor a window opens with at most; 0: the output's
    int decorWidth_ = 0, decorHeight_ = 0; // a window's frame, once one was shown
    SDL_Window* window_ = nullptr;
    WaylandBuffers buffers_; // the window's pictures on Wayland
    Uint32 windowId_ = 0;
    int logicalWidth_ = 0, logicalHeight_ = 0; // SDL's window size
    int clientWidth_ = 0, clientHeight_ = 0;   // the same in the pixels drawn
    int frameWidth_ = 0, frameHeight_ = 0;     // game pixels of the open window
    ShownFrame shown_;                         // what the window shows, in game pixels
    std::vector<Pixel> wide_;                  // one frame row, each pixel repeated
    bool forceFull_ = false;
    Uint16 keyMod_ = 0; // modifiers as of the last key event
};

} // namespace

std::unique_ptr<NativeWindow> makeWindow(Display* display, std::string& failure) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0"); // no software OpenGL per frame
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // A wake is an event of our own in SDL's queue, so none is lost.
    const Uint32 wakeEventType =
        SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? SDL_RegisterEvents(1) : static_cast<Uint32>(-1);
    if (wakeEventType != static_cast<Uint32>(-1))
        return std::make_unique<SdlWindow>(*display, wakeEventType);
    failure = sdlFailure("SDL");
    SDL_Quit();
    return nullptr;
}

} // namespace schlingo::platform::sdl
