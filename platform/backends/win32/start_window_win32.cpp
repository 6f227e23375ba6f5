// The start window with user32: class "Schlingo", fifteen "button" controls,
// its own message loop on the game thread.
#include "platform/backends/win32/dialogs_win32.hpp"

#include <windows.h>

#include <string>
#include <vector>

namespace schlingo::platform::win32 {

namespace {

constexpr const wchar_t* className = L"Schlingo";

// Game thread only: the window being shown and its controls.
struct Session {
    StartWindow* window = nullptr;
    HWND handle = nullptr;
    std::vector<HWND> controls; // by control index
};
Session* current = nullptr;

std::wstring widen(const std::string& cp1252) {
    if (cp1252.empty())
        return {};
    const int size = static_cast<int>(cp1252.size());
    const int length = MultiByteToWideChar(1252, 0, cp1252.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(1252, 0, cp1252.data(), size, result.data(), length);
    return result;
}

DWORD styleOf(const StartWindow::Control& control) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (control.startsGroup)
        style |= WS_GROUP;
    switch (control.kind) {
    case StartWindow::Kind::GroupBox:
        return style | BS_GROUPBOX;
    case StartWindow::Kind::RadioButton:
        return style | BS_AUTORADIOBUTTON;
    case StartWindow::Kind::CheckBox:
        return style | WS_CLIPSIBLINGS | BS_AUTOCHECKBOX;
    case StartWindow::Kind::PushButton:
        return style | BS_PUSHBUTTON;
    }
    return style;
}

void createControls(HWND parent, HINSTANCE instance, Session& session) {
    const auto& controls = session.window->controls();
    // The dialog font: the bold "System" font clips "Selbstmordmodus" and
    // "Länder/Staaten der Erde" in their given widths where it is wider.
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (const auto& control : controls) {
        HWND child = CreateWindowExW(0, L"button", widen(control.caption).c_str(), styleOf(control),
                                     control.x, control.y, control.width, control.height, parent,
                                     nullptr, instance, nullptr);
        SendMessageW(child, WM_SETFONT, font, FALSE);
        session.controls.push_back(child);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (session.window->initiallyChecked(static_cast<int>(i)))
            SendMessageW(session.controls[i], BM_SETCHECK, BST_CHECKED, 0);
    }
}

LRESULT CALLBACK startWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* session = static_cast<Session*>(create->lpCreateParams);
        session->handle = hwnd;
        current = session;
        createControls(hwnd, create->hInstance, *session);
        return 0;
    }
    case WM_COMMAND: {
        if (HIWORD(wParam) != BN_CLICKED || current == nullptr || current->handle != hwnd)
            return 0;
        const HWND sender = reinterpret_cast<HWND>(lParam);
        for (std::size_t i = 0; i < current->controls.size(); ++i) {
            if (current->controls[i] != sender)
                continue;
            const bool checked = SendMessageW(sender, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (current->window->clicked(static_cast<int>(i), checked) ==
                StartWindow::Reply::Destroy)
                DestroyWindow(hwnd);
            break;
        }
        return 0;
    }
    case WM_DESTROY:
        if (current != nullptr && current->handle == hwnd)
            current = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

HWND currentStartWindow() {
    return current != nullptr ? current->handle : nullptr;
}

void runStartWindow(StartWindow& window, Backend&) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = startWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = nullptr; // the class has no icon
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = className;
    // Fails on later passes because the class exists; that class is used then.
    RegisterClassW(&windowClass);

    Session session;
    session.window = &window;
    HWND hwnd =
        CreateWindowExW(0, className, widen(window.title()).c_str(), WS_OVERLAPPED | WS_SYSMENU,
                        CW_USEDEFAULT, CW_USEDEFAULT, window.outerWidth(), window.outerHeight(),
                        nullptr, nullptr, instance, &session);
    if (hwnd == nullptr)
        return;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    current = nullptr;
}

} // namespace schlingo::platform::win32
