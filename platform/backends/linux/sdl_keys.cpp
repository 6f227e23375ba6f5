#include "platform/backends/linux/sdl_keys.hpp"

#include <SDL2/SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <array>
#include <string>

namespace schlingo::platform::sdl {

namespace {

// SDL scan codes are USB HID usages, named after the US layout's key positions.
constexpr std::array<std::uint8_t, 232> makeSet1Table() {
    std::array<std::uint8_t, 232> t{};
    const std::uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                      49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    for (int i = 0; i < 26; ++i)
        t[SDL_SCANCODE_A + i] = letters[i];
    for (int i = 0; i < 10; ++i) // 1..9, 0
        t[SDL_SCANCODE_1 + i] = static_cast<std::uint8_t>(2 + i);
    t[SDL_SCANCODE_RETURN] = 28;
    t[SDL_SCANCODE_ESCAPE] = 1;
    t[SDL_SCANCODE_BACKSPACE] = 14;
    t[SDL_SCANCODE_TAB] = 15;
    t[SDL_SCANCODE_SPACE] = 57;
    t[SDL_SCANCODE_MINUS] = 12;
    t[SDL_SCANCODE_EQUALS] = 13;
    t[SDL_SCANCODE_LEFTBRACKET] = 26;
    t[SDL_SCANCODE_RIGHTBRACKET] = 27;
    t[SDL_SCANCODE_BACKSLASH] = 43;
    t[SDL_SCANCODE_NONUSHASH] = 43;
    t[SDL_SCANCODE_SEMICOLON] = 39;
    t[SDL_SCANCODE_APOSTROPHE] = 40;
    t[SDL_SCANCODE_GRAVE] = 41;
    t[SDL_SCANCODE_COMMA] = 51;
    t[SDL_SCANCODE_PERIOD] = 52;
    t[SDL_SCANCODE_SLASH] = 53;
    t[SDL_SCANCODE_CAPSLOCK] = 58;
    for (int i = 0; i < 10; ++i) // F1..F10
        t[SDL_SCANCODE_F1 + i] = static_cast<std::uint8_t>(59 + i);
    t[SDL_SCANCODE_F11] = 87;
    t[SDL_SCANCODE_F12] = 88;
    t[SDL_SCANCODE_PRINTSCREEN] = 55;
    t[SDL_SCANCODE_SCROLLLOCK] = 70;
    t[SDL_SCANCODE_PAUSE] = 69;
    t[SDL_SCANCODE_INSERT] = 82;
    t[SDL_SCANCODE_HOME] = 71;
    t[SDL_SCANCODE_PAGEUP] = 73;
    t[SDL_SCANCODE_DELETE] = 83;
    t[SDL_SCANCODE_END] = 79;
    t[SDL_SCANCODE_PAGEDOWN] = 81;
    t[SDL_SCANCODE_RIGHT] = 77;
    t[SDL_SCANCODE_LEFT] = 75;
    t[SDL_SCANCODE_DOWN] = 80;
    t[SDL_SCANCODE_UP] = 72;
    t[SDL_SCANCODE_NUMLOCKCLEAR] = 69;
    t[SDL_SCANCODE_KP_DIVIDE] = 53;
    t[SDL_SCANCODE_KP_MULTIPLY] = 55;
    t[SDL_SCANCODE_KP_MINUS] = 74;
    t[SDL_SCANCODE_KP_PLUS] = 78;
    t[SDL_SCANCODE_KP_ENTER] = 28;
    const std::uint8_t keypad[10] = {79, 80, 81, 75, 76, 77, 71, 72, 73, 82}; // 1..9, 0
    for (int i = 0; i < 10; ++i)
        t[SDL_SCANCODE_KP_1 + i] = keypad[i];
    t[SDL_SCANCODE_KP_PERIOD] = 83;
    t[SDL_SCANCODE_NONUSBACKSLASH] = 86;
    t[SDL_SCANCODE_APPLICATION] = 93;
    t[SDL_SCANCODE_KP_EQUALS] = 89;
    t[SDL_SCANCODE_INTERNATIONAL1] = 115;
    t[SDL_SCANCODE_INTERNATIONAL3] = 125;
    t[SDL_SCANCODE_LCTRL] = 29;
    t[SDL_SCANCODE_LSHIFT] = 42;
    t[SDL_SCANCODE_LALT] = 56;
    t[SDL_SCANCODE_LGUI] = 91;
    t[SDL_SCANCODE_RCTRL] = 29;
    t[SDL_SCANCODE_RSHIFT] = 54;
    t[SDL_SCANCODE_RALT] = 56;
    t[SDL_SCANCODE_RGUI] = 92;
    return t;
}

constexpr auto set1Table = makeSet1Table();

std::optional<NamedKey> namedKey(SDL_Keycode sym, bool numLock) {
    switch (sym) {
    case SDLK_UP:
        return NamedKey::Up;
    case SDLK_DOWN:
        return NamedKey::Down;
    case SDLK_LEFT:
        return NamedKey::Left;
    case SDLK_RIGHT:
        return NamedKey::Right;
    case SDLK_INSERT:
        return NamedKey::Insert;
    case SDLK_DELETE:
        return NamedKey::Delete;
    case SDLK_HOME:
        return NamedKey::Home;
    case SDLK_END:
        return NamedKey::End;
    case SDLK_PAGEUP:
        return NamedKey::PageUp;
    case SDLK_PAGEDOWN:
        return NamedKey::PageDown;
    case SDLK_F1:
        return NamedKey::F1;
    case SDLK_F2:
        return NamedKey::F2;
    case SDLK_F3:
        return NamedKey::F3;
    case SDLK_F4:
        return NamedKey::F4;
    case SDLK_F5:
        return NamedKey::F5;
    case SDLK_F6:
        return NamedKey::F6;
    case SDLK_F7:
        return NamedKey::F7;
    case SDLK_F8:
        return NamedKey::F8;
    case SDLK_F9:
        return NamedKey::F9;
    case SDLK_F10:
        return NamedKey::F10;
    case SDLK_F11:
        return NamedKey::F11;
    case SDLK_F12:
        return NamedKey::F12;
    default:
        break;
    }
    if (numLock)
        return std::nullopt; // the keypad types digits then
    switch (sym) {
    case SDLK_KP_8:
        return NamedKey::Up;
    case SDLK_KP_2:
        return NamedKey::Down;
    case SDLK_KP_4:
        return NamedKey::Left;
    case SDLK_KP_6:
        return NamedKey::Right;
    case SDLK_KP_0:
        return NamedKey::Insert;
    case SDLK_KP_PERIOD:
        return NamedKey::Delete;
    case SDLK_KP_7:
        return NamedKey::Home;
    case SDLK_KP_1:
        return NamedKey::End;
    case SDLK_KP_9:
        return NamedKey::PageUp;
    case SDLK_KP_3:
        return NamedKey::PageDown;
    default:
        return std::nullopt;
    }
}

// The layout of the focused window's X display: is the right Alt key (evdev
// key code 108, as every current X server numbers it) AltGr? Without X the
// characters the layout gave are posted.
bool rightAltTypesLevel3() {
    SDL_Window* window = SDL_GetKeyboardFocus();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11)
        return true;
    ::Display* x = info.info.x11.display;
    XkbStateRec state{};
    if (XkbGetState(x, XkbUseCoreKbd, &state) != Success)
        return true;
    constexpr KeyCode rightAlt = 108;
    const KeySym sym = XkbKeycodeToKeysym(x, rightAlt, state.group, 0);
    return sym == XK_ISO_Level3_Shift || sym == XK_Mode_switch;
}

} // namespace

int toSet1(SDL_Scancode scancode) {
    auto i = static_cast<std::size_t>(scancode);
    return i < set1Table.size() ? set1Table[i] : 0;
}

bool isExtended(SDL_Scancode scancode) {
    switch (scancode) {
    case SDL_SCANCODE_RCTRL:
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_KP_DIVIDE:
    case SDL_SCANCODE_INSERT:
    case SDL_SCANCODE_DELETE:
    case SDL_SCANCODE_HOME:
    case SDL_SCANCODE_END:
    case SDL_SCANCODE_PAGEUP:
    case SDL_SCANCODE_PAGEDOWN:
    case SDL_SCANCODE_UP:
    case SDL_SCANCODE_DOWN:
    case SDL_SCANCODE_LEFT:
    case SDL_SCANCODE_RIGHT:
    case SDL_SCANCODE_PRINTSCREEN:
    case SDL_SCANCODE_PAUSE:
    case SDL_SCANCODE_LGUI:
    case SDL_SCANCODE_RGUI:
    case SDL_SCANCODE_APPLICATION:
        return true;
    default:
        return false;
    }
}

std::optional<InputEvent> keyDownEvent(const SDL_Keysym& key) {
    const bool ctrl = (key.mod & KMOD_CTRL) != 0;
    if ((key.mod & KMOD_ALT) != 0)
        return std::nullopt; // system keys post nothing
    char32_t control = 0;
    switch (key.sym) {
    case SDLK_ESCAPE:
        control = 27;
        break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        control = ctrl ? 10 : 13;
        break;
    case SDLK_BACKSPACE:
        control = ctrl ? 127 : 8;
        break;
    case SDLK_TAB:
        control = ctrl ? 0 : 9;
        break;
    case SDLK_SPACE: // without Ctrl a text event brings it
        control = ctrl ? 32 : 0;
        break;
    default:
        if (ctrl && key.sym >= SDLK_a && key.sym <= SDLK_z)
            control = static_cast<char32_t>(key.sym - SDLK_a + 1);
        else if (auto named = namedKey(key.sym, (key.mod & KMOD_NUM) != 0))
            return InputEvent::named(*named, (key.mod & KMOD_SHIFT) != 0, ctrl);
    }
    if (control == 0)
        return std::nullopt;
    return InputEvent::typed(control);
}

bool textPosts(Uint16 mod, bool rightAltIsAltGr) {
    if ((mod & KMOD_LALT) != 0)
        return false;
    if ((mod & KMOD_RALT) != 0)
        return rightAltIsAltGr;
    return (mod & KMOD_CTRL) == 0;
}

bool textPosts(Uint16 mod) {
    const bool askLayout = (mod & KMOD_ALT) == KMOD_RALT;
    return textPosts(mod, askLayout && rightAltTypesLevel3());
}

std::vector<char32_t> textCodePoints(const char* utf8) {
    std::vector<char32_t> codes;
    if (utf8 == nullptr)
        return codes;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p != 0) {
        // Decode one UTF-8 sequence; a broken one counts as one unknown character.
        char32_t cp = 0;
        int extra = 0;
        if (*p < 0x80) {
            cp = *p;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            cp = 0xFFFD;
        }
        ++p;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80) {
                cp = 0xFFFD;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
        }
        if (cp >= 0x20 && cp != 0x7F)
            codes.push_back(cp);
    }
    return codes;
}

} // namespace schlingo::platform::sdl
