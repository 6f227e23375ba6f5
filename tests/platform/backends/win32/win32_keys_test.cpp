#include "platform/backends/win32/win32_keys.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace schlingo::platform::win32 {
namespace {

// lParam of a key message: repeat count, scan code, extended bit.
LPARAM keyBits(int repeat, unsigned scan, bool extended = false) {
    return static_cast<LPARAM>(static_cast<unsigned>(repeat) | scan << 16 |
                               (extended ? 1u << 24 : 0u));
}
UINT scanOfA(UINT virtualKey) {
    return virtualKey == 'A' ? 30 : 0;
}

// "down30", "up29x", "named3SC*2", "typed228*2", apart by spaces.
std::string describe(const std::vector<InputEvent>& events) {
    std::string text;
    for (const InputEvent& e : events) {
        text += text.empty() ? "" : " ";
        if (e.kind == InputEvent::Kind::KeyDown || e.kind == InputEvent::Kind::KeyUp)
            text += (e.down ? "down" : "up") + std::to_string(e.code) + (e.extended ? "x" : "");
        else
            text += (e.kind == InputEvent::Kind::Named ? "named" : "typed") +
                    std::to_string(e.code) + (e.shift ? "S" : "") + (e.ctrl ? "C" : "") + "*" +
                    std::to_string(e.repeat);
    }
    return text;
}

TEST(Win32Keys, KeyMessagesGiveScanCodesAndNamedKeys) {
    const auto named = [](NamedKey key) { return std::to_string(static_cast<int>(key)); };
    const struct {
        UINT message;
        WPARAM virtualKey;
        LPARAM bits;
        Modifiers held;
        std::string events;
    } rows[] = {
        {WM_KEYDOWN, 'A', keyBits(1, 30), {}, "down30"},
        {WM_KEYUP, 'A', keyBits(1, 30), {}, "up30"},
        {WM_KEYDOWN, 'A', keyBits(1, 0), {}, "down30"}, // posted: no scan code of its own
        {WM_KEYDOWN, VK_CONTROL, keyBits(1, 29, true), {}, "down29x"}, // right Ctrl
        {WM_KEYDOWN, 'A', keyBits(1, 0xE0), {}, ""},                   // beyond set 1
        {WM_KEYDOWN, VK_UP, keyBits(1, 72, true), {}, "down72x named" + named(NamedKey::Up) + "*1"},
        {WM_KEYDOWN,
         VK_F1,
         keyBits(3, 59),
         {true, false},
         "down59 named" + named(NamedKey::F1) + "S*3"},
        {WM_KEYDOWN,
         VK_F12,
         keyBits(1, 88),
         {false, true},
         "down88 named" + named(NamedKey::F12) + "C*1"},
        // Only a plain key-down types a named key: not its release, not a system key.
        {WM_KEYUP, VK_F1, keyBits(1, 59), {}, "up59"},
        {WM_SYSKEYDOWN, VK_F10, keyBits(1, 68), {}, "down68"},
        {WM_SYSKEYUP, VK_F10, keyBits(1, 68), {}, "up68"},
    };
    for (const auto& row : rows) {
        std::vector<InputEvent> batch;
        appendKeyMessage(row.message, row.virtualKey, row.bits, row.held, &scanOfA, batch);
        EXPECT_EQ(describe(batch), row.events) << row.message << " " << row.virtualKey;
    }
    const std::pair<WPARAM, NamedKey> table[] = {
        {VK_DOWN, NamedKey::Down},     {VK_LEFT, NamedKey::Left},     {VK_RIGHT, NamedKey::Right},
        {VK_INSERT, NamedKey::Insert}, {VK_DELETE, NamedKey::Delete}, {VK_HOME, NamedKey::Home},
        {VK_END, NamedKey::End},       {VK_PRIOR, NamedKey::PageUp},  {VK_NEXT, NamedKey::PageDown},
        {VK_F5, NamedKey::F5},         {VK_F10, NamedKey::F10}};
    for (const auto& [virtualKey, key] : table)
        EXPECT_EQ(namedKey(virtualKey), key) << virtualKey;
    for (WPARAM other : {WPARAM{'A'}, WPARAM{VK_ESCAPE}, WPARAM{VK_F13}, WPARAM{VK_NUMPAD8}})
        EXPECT_EQ(namedKey(other), std::nullopt) << other;
}

TEST(Win32Keys, CharactersButtonsAndTouch) {
    std::vector<InputEvent> batch;
    appendCharMessage(0xE4, 2, batch);   // ä, typed twice
    appendCharMessage(0xD83D, 1, batch); // an emoji's first half: '?' in the key buffer
    appendCharMessage(0xDE00, 1, batch); // its second half: nothing
    appendCharMessage(0x1B, 1, batch);   // Esc stays a control character
    EXPECT_EQ(describe(batch), "typed228*2 typed55357*1 typed27*1");
    EXPECT_EQ(typedKeyCode(static_cast<char32_t>(batch[1].code)), std::uint32_t{'?'});

    EXPECT_EQ(buttonMask(MK_LBUTTON | MK_SHIFT), 1);
    EXPECT_EQ(buttonMask(MK_RBUTTON | MK_CONTROL), 2);
    EXPECT_EQ(buttonMask(MK_MBUTTON), 4);
    EXPECT_EQ(buttonMask(MAKEWPARAM(MK_XBUTTON1 | MK_XBUTTON2, 0x0078)), 24); // a wheel's delta
    EXPECT_TRUE(touchPress(static_cast<LPARAM>(0xFF515700)));
    EXPECT_TRUE(touchPress(static_cast<LPARAM>(0xFF515780))); // a pen
    EXPECT_FALSE(touchPress(static_cast<LPARAM>(0xFF515600)));
}

} // namespace
} // namespace schlingo::platform::win32
