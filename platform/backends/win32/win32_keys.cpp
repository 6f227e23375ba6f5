#include "platform/backends/win32/win32_keys.hpp"

namespace schlingo::platform::win32 {

std::optional<NamedKey> namedKey(WPARAM virtualKey) {
    switch (virtualKey) {
    case VK_UP:
        return NamedKey::Up;
    case VK_DOWN:
        return NamedKey::Down;
    case VK_LEFT:
        return NamedKey::Left;
    case VK_RIGHT:
        return NamedKey::Right;
    case VK_INSERT:
        return NamedKey::Insert;
    case VK_DELETE:
        return NamedKey::Delete;
    case VK_HOME:
        return NamedKey::Home;
    case VK_END:
        return NamedKey::End;
    case VK_PRIOR:
        return NamedKey::PageUp;
    case VK_NEXT:
        return NamedKey::PageDown;
    default:
        break;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
        return static_cast<NamedKey>(static_cast<int>(NamedKey::F1) +
                                     static_cast<int>(virtualKey - VK_F1));
    return std::nullopt;
}

int buttonMask(WPARAM wParam) {
    const WORD keys = GET_KEYSTATE_WPARAM(wParam);
    return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
           ((keys & MK_MBUTTON) ? 4 : 0) | ((keys & MK_XBUTTON1) ? 8 : 0) |
           ((keys & MK_XBUTTON2) ? 16 : 0);
}

bool touchPress(LPARAM extraInfo) {
    return (static_cast<unsigned long long>(extraInfo) & 0xFFFFFF00u) == 0xFF515700u;
}

void appendKeyMessage(UINT message, WPARAM wParam, LPARAM lParam, Modifiers held,
                      UINT (*scanOfVirtualKey)(UINT), std::vector<InputEvent>& batch) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const auto bits = static_cast<unsigned long long>(lParam);
    // Right Ctrl counts as 29, as left Ctrl does; the prefix tells them apart.
    UINT scan = static_cast<UINT>((bits >> 16) & 0xFF);
    if (scan == 0 && scanOfVirtualKey != nullptr)
        scan = scanOfVirtualKey(static_cast<UINT>(wParam));
    const bool extended = ((bits >> 24) & 1) != 0;
    if (scan < 128)
        batch.push_back(InputEvent::key(static_cast<int>(scan), down, extended));
    if (message != WM_KEYDOWN)
        return;
    if (const auto key = namedKey(wParam))
        batch.push_back(
            InputEvent::named(*key, held.shift, held.ctrl, static_cast<int>(bits & 0xFFFF)));
}

void appendCharMessage(WPARAM wParam, LPARAM lParam, std::vector<InputEvent>& batch) {
    if (wParam >= 0xDC00 && wParam <= 0xDFFF)
        return;
    batch.push_back(
        InputEvent::typed(static_cast<char32_t>(wParam),
                          static_cast<int>(static_cast<unsigned long long>(lParam) & 0xFFFF)));
}

} // namespace schlingo::platform::win32
