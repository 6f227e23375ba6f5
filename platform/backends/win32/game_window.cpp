#include "platform/backends/win32/game_window.hpp"

#include "platform/backends/win32/win32_keys.hpp"

#include "platform/backends/desktop_kit/presenter_scale.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/shown_frame.hpp"
#include "platform/machine/text_codec.hpp"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <windowsx.h>
#undef MessageBox

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace schlingo::platform::win32 {

namespace {

constexpr const wchar_t* className = L"SchlingoGame";
// The one test switch the shipped program keeps. A window that cannot be made
// is reported by a message box and a line on stderr, and the end-to-end tests
// of that report need a real program whose window fails. On Linux a display
// that is not there does it from outside; under Wine nothing from outside
// makes CreateWindowExW fail, so with this variable set the window asks for a
// class nobody registered. Players never set it; it changes nothing else.
constexpr const wchar_t* noWindowTestSwitch = L"SCHLINGO_TEST_NO_WINDOW";
constexpr UINT_PTR modalTimer = 1;
constexpr UINT_PTR leaveTimer = 2;
// Wine finds a pointer's leave by asking for its position ten times a second
// while TrackMouseEvent is armed, which costs a resting pointer more than all
// else the waiting game does. There the window asks itself, once a second.
constexpr UINT leavePollMs = 1000;

UINT scanOfVirtualKey(UINT virtualKey) {
    return MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
}

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
// Title bar, system menu, minimise and maximise; no sizing border.
constexpr DWORD windowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

std::wstring wide(const std::string& cp1252) {
    const std::u16string text = cp1252ToUtf16(cp1252);
    return std::wstring(text.begin(), text.end());
}

// With the player's own factor the game window counts in device pixels, so a
// high-density desktop does not stretch (and blur) the picture a second time.
// Only this thread's windows: the start window and the message boxes are still
// scaled by the system. Looked up at run time, as older Windows lacks it.
void takeDevicePixels() {
    using SetContext = void*(WINAPI*)(void*);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto set = user32 == nullptr
                         ? nullptr
                         : reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(
                               GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
    if (set == nullptr)
        return;
    // Per monitor v2, else per monitor (Windows 10 before 1703).
    if (set(reinterpret_cast<void*>(static_cast<std::intptr_t>(-4))) == nullptr)
        set(reinterpret_cast<void*>(static_cast<std::intptr_t>(-3)));
}

// Everything user32 and gdi32: lives on the presenter thread only, but wake.
class GameWindow final : public NativeWindow {
public:
    GameWindow(Display& display, int scale)
        : scale_(scale), wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          display_(display) {}
    ~GameWindow() override {
        close();
        if (wakeEvent_ != nullptr)
            CloseHandle(wakeEvent_);
    }

    std::string open(int width, int height, const std::string& cp1252Title) override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
        const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
        // The work area of the monitor the window opens on (centred on the
        // primary screen): without the taskbar.
        RECT work{0, 0, screenWidth, screenHeight};
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromPoint(POINT{screenWidth / 2, screenHeight / 2},
                                             MONITOR_DEFAULTTOPRIMARY),
                            &monitor))
            work = monitor.rcWork;
        // The largest whole factor up to the one asked for at which the
        // window, frame included, fits there.
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, windowStyle, FALSE, 0);
        const int factor = fittingScale(scale_, width, height,
                                        (work.right - work.left) - (frame.right - frame.left),
                                        (work.bottom - work.top) - (frame.bottom - frame.top));
        RECT outer{0, 0, width * factor, height * factor};
        AdjustWindowRectEx(&outer, windowStyle, FALSE, 0);
        const int outerWidth = outer.right - outer.left;
        const int outerHeight = outer.bottom - outer.top;
        // Centred on the screen, and moved into the work area should the
        // taskbar cover part of it there.
        const int x = std::clamp(
            (screenWidth - outerWidth) / 2, static_cast<int>(work.left),
            std::max(static_cast<int>(work.left), static_cast<int>(work.right) - outerWidth));
        const int y = std::clamp(
            (screenHeight - outerHeight) / 2, static_cast<int>(work.top),
            std::max(static_cast<int>(work.top), static_cast<int>(work.bottom) - outerHeight));
        clientWidth_ = width * factor;
        clientHeight_ = height * factor;
        // Black until the frame made for this window is in place.
        shown_.reset(width, height, 0);
        const bool failOnPurpose = GetEnvironmentVariableW(noWindowTestSwitch, nullptr, 0) > 0;
        hwnd_ = CreateWindowExW(0, failOnPurpose ? L"SchlingoUnregistered" : className,
                                wide(cp1252Title).c_str(), windowStyle, x, y, outerWidth,
                                outerHeight, nullptr, nullptr, instance, this);
        if (hwnd_ == nullptr)
            return "CreateWindowExW: Fehler " + std::to_string(GetLastError());
        forceFull_ = true;
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        UpdateWindow(hwnd_);
        return {};
    }

    void close() override {
        if (hwnd_ == nullptr)
            return;
        pass(); // what the window said before it goes
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }

    std::uintptr_t handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_); }

    void setTitle(const std::string& cp1252Title) override {
        if (hwnd_ != nullptr)
            SetWindowTextW(hwnd_, wide(cp1252Title).c_str());
    }

    void setIcon() override {
        if (hwnd_ == nullptr)
            return;
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), L"MY_ICON", IMAGE_ICON,
                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
        if (icon != nullptr)
            SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }

    void pump() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        pass();
    }

    void waitForEvents() override {
        MsgWaitForMultipleObjectsEx(1, &wakeEvent_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

    void wake() override { SetEvent(wakeEvent_); }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<GameWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self == nullptr)
            return DefWindowProcW(hwnd, message, wParam, lParam);
        return self->handle(hwnd, message, wParam, lParam);
    }

private:
    // The events of the messages so far to the door, the changed rows to the window.
    void pass() {
        display_.deliver(batch_);
        batch_.clear();
        ShownFrame::Rows rows;
        if (hwnd_ != nullptr) {
            std::lock_guard guard(display_.lock);
            if (display_.screen.presentable())
                rows = shown_.update(display_.screen, std::exchange(forceFull_, false));
        }
        if (!rows.empty()) {
            HDC dc = GetDC(hwnd_);
            blit(dc, rows.first, rows.count);
            ReleaseDC(hwnd_, dc);
        }
    }

    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            appendKeyMessage(message, wParam, lParam,
                             {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0},
                             &scanOfVirtualKey, batch_);
            if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP)
                break; // Alt+F4 and the system menu come through DefWindowProc
            return 0;
        }
        case WM_CHAR:
            appendCharMessage(wParam, lParam, batch_);
            return 0;
        case WM_CLOSE:
            batch_.push_back(InputEvent::close());
            return 0; // the window stays
        case WM_ACTIVATE:
            batch_.push_back(InputEvent::focus(LOWORD(wParam) != WA_INACTIVE));
            break;
        case WM_MOUSEMOVE: {
            if (!trackingLeave_ && underWine_) {
                trackingLeave_ = SetTimer(hwnd, leaveTimer, leavePollMs, nullptr) != 0;
            } else if (!trackingLeave_) {
                TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
                trackingLeave_ = TrackMouseEvent(&track) != FALSE;
            }
            pointer(lParam);
            return 0;
        }
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            batch_.push_back(InputEvent::pointer(-1, -1, false));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONUP: {
            const int mask = buttonMask(wParam);
            // The window keeps the pointer while a button is held.
            if (mask != 0)
                SetCapture(hwnd);
            else if (GetCapture() == hwnd)
                ReleaseCapture();
            pointer(lParam);
            // Presses of a touch screen or a pen carry this mark.
            const bool touch = touchPress(GetMessageExtraInfo());
            for (int bit = 0; bit < 5; ++bit)
                batch_.push_back(InputEvent::button(bit, (mask >> bit & 1) != 0, touch));
            return message == WM_XBUTTONDOWN || message == WM_XBUTTONUP ? TRUE : 0;
        }
        case WM_MOUSEWHEEL: {
            wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
            const int notches = wheelRest_ / WHEEL_DELTA;
            wheelRest_ -= notches * WHEEL_DELTA;
            if (notches != 0)
                batch_.push_back(InputEvent::wheel(notches));
            return 0;
        }
        case WM_SIZE:
            clientWidth_ = LOWORD(lParam);
            clientHeight_ = HIWORD(lParam);
            forceFull_ = true;
            // The picture moves and grows: all of the client is painted anew.
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_ERASEBKGND:
            return 1; // WM_PAINT covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            {
                std::lock_guard guard(display_.lock);
                if (display_.screen.presentable()) {
                    forceFull_ = false;
                    shown_.update(display_.screen, true);
                }
            }
            blit(dc, 0, shown_.height());
            // Around the picture (a maximised window) the window is black.
            const Placement place = placement();
            const int right = place.left + place.width(), bottom = place.top + place.height();
            const int clientRight = std::max(clientWidth_, right);
            const int clientBottom = std::max(clientHeight_, bottom);
            HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            const RECT border[] = {{0, 0, clientRight, place.top},
                                   {0, bottom, clientRight, clientBottom},
                                   {0, place.top, place.left, bottom},
                                   {right, place.top, clientRight, bottom}};
            for (const RECT& part : border)
                FillRect(dc, &part, black);
            EndPaint(hwnd, &paint);
            return 0;
        }
        // Moving the window or its system menu runs a modal loop of its own;
        // a timer keeps the passes going meanwhile.
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            SetTimer(hwnd, modalTimer, 10, nullptr);
            break;
        case WM_EXITSIZEMOVE:
        case WM_EXITMENULOOP:
            KillTimer(hwnd, modalTimer);
            break;
        case WM_TIMER:
            if (wParam == leaveTimer) {
                POINT at{};
                // A held button keeps the pointer; its moves outside still come.
                if (GetCapture() != hwnd && GetCursorPos(&at) && WindowFromPoint(at) != hwnd) {
                    KillTimer(hwnd, leaveTimer);
                    trackingLeave_ = false;
                    batch_.push_back(InputEvent::pointer(-1, -1, false));
                }
                return 0;
            }
            if (wParam == modalTimer) {
                pass();
                return 0;
            }
            break;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    Placement placement() const {
        return placePicture(shown_.width(), shown_.height(), clientWidth_, clientHeight_);
    }

    // Client pixels to game pixels; outside the picture (the black border
    // included) the pointer is outside.
    void pointer(LPARAM lParam) {
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        const Placement place = placement();
        GamePoint game = place.toGame(x, y);
        const bool inside = game.inside();
        if (!inside)
            game = place.nearestGame(x, y);
        batch_.push_back(InputEvent::pointer(game.x, game.y, inside));
    }

    // Presenter thread: rows [first, first + count) of the shown frame to the window,
    // one top-down 32-bit DIB, each pixel a factor x factor block.
    void blit(HDC dc, int first, int count) {
        const int shownWidth = shown_.width();
        if (count <= 0 || shownWidth <= 0)
            return;
        const Placement place = placement();
        const int factor = place.factor;
        const int width = shownWidth * factor;
        const Pixel* rows = shown_.row(first);
        if (factor > 1) {
            // Whole blocks, made here: cheaper than StretchDIBits under Wine.
            blocks_.resize(static_cast<std::size_t>(width) * count * factor);
            Pixel* out = blocks_.data();
            for (int row = 0; row < count; ++row) {
                const Pixel* line = rows + static_cast<std::size_t>(row) * shownWidth;
                Pixel* wide = out;
                for (int column = 0; column < shownWidth; ++column)
                    out = std::fill_n(out, factor, line[column]);
                for (int copy = 1; copy < factor; ++copy)
                    out = std::copy_n(wide, width, out);
            }
            rows = blocks_.data();
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -count * factor;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, place.left, place.top + first * factor, static_cast<DWORD>(width),
                          static_cast<DWORD>(count * factor), 0, 0, 0,
                          static_cast<UINT>(count * factor), rows, &info, DIB_RGB_COLORS);
    }

    int scale_;        // the factor a window opens with at most
    HANDLE wakeEvent_; // auto-reset event the presenter waits on
    Display& display_;
    std::vector<InputEvent> batch_; // translated since the last pass
    HWND hwnd_ = nullptr;
    int clientWidth_ = 0, clientHeight_ = 0;
    bool forceFull_ = false;
    bool trackingLeave_ = false; // TrackMouseEvent armed, or the leave timer set
    const bool underWine_ = runningUnderWine();
    int wheelRest_ = 0;
    ShownFrame shown_;          // what the window shows, in game pixels
    std::vector<Pixel> blocks_; // rows of the shown frame at the factor, for one blit
};

void registerClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &GameWindow::windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    RegisterClassExW(&wc); // fails harmlessly when a previous presenter registered it
}

} // namespace

std::unique_ptr<NativeWindow> makeGameWindow(Display* display, std::string&) {
    registerClass();
    // Only the player's SCHLINGO_SCALE: otherwise the system scales the window.
    const char* requested = std::getenv("SCHLINGO_SCALE");
    if (requested != nullptr && scaleRequested(requested))
        takeDevicePixels();
    return std::make_unique<GameWindow>(*display,
                                        chooseScale(requested != nullptr ? requested : ""));
}

} // namespace schlingo::platform::win32
