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

UINT noScan(UINT) {
    return 0;
}
UINT scanOfA(UINT virtualKey) {
    return virtualKey == 'A' ? 30 : 0;
}

std::string describe(const std::vector<InputEvent>& events) {
    std::string text;
    for (const InputEvent& e : events) {
        if (!text.empty())
            text += ' ';
        switch (e.kind) {
        case InputEvent::Kind::KeyDown:
        case InputEvent::Kind::KeyUp:
            text += (e.kind == InputEvent::Kind::KeyDown ? "down" : "up") + std::to_string(e.code) +
                    (e.extended ? "x" : "");
            break;
        case InputEvent::Kind::Named:
            text += "named" + std::to_string(e.code) + (e.shift ? "S" : "") + (e.ctrl ? "C" : "") +
                    "*" + std::to_string(e.repeat);
            break;
        case InputEvent::Kind::Typed:
            text += "typed" + std::to_string(e.code) + "*" + std::to_string(e.repeat);
            break;
        default:
            text += "other";
        }
    }
    return text;
}

TEST(Win32Keys, KeyMessagesGiveScanCodesAndNamedKeys) {
    struct Row {
        const char* what;
        UINT message;
        WPARAM virtualKey;
        LPARAM bits;
        Modifiers held;
        UINT (*scanOf)(UINT);
        std::string events;
    };
    const int up = static_cast<int>(NamedKey::Up), f1 = static_cast<int>(NamedKey::F1);
    const int f12 = static_cast<int>(NamedKey::F12), del = static_cast<int>(NamedKey::Delete);
    const std::string upText = std::to_string(up), f1Text = std::to_string(f1);
    const std::string f12Text = std::to_string(f12), delText = std::to_string(del);
    const Row rows[] = {
        {"a letter", WM_KEYDOWN, 'A', keyBits(1, 30), {}, &noScan, "down30"},
        {"its release", WM_KEYUP, 'A', keyBits(1, 30), {}, &noScan, "up30"},
        {"right Ctrl folds to 29",
         WM_KEYDOWN,
         VK_CONTROL,
         keyBits(1, 29, true),
         {},
         &noScan,
         "down29x"},
        {"a posted key without a scan code",
         WM_KEYDOWN,
         'A',
         keyBits(1, 0),
         {},
         &scanOfA,
         "down30"},
        {"a scan code beyond set 1", WM_KEYDOWN, 'A', keyBits(1, 0xE0), {}, &noScan, ""},
        // Named keys: their code with the modifiers held and the repeat count.
        {"up arrow",
         WM_KEYDOWN,
         VK_UP,
         keyBits(1, 72, true),
         {},
         &noScan,
         "down72x named" + upText + "*1"},
        {"Shift+F1 repeated",
         WM_KEYDOWN,
         VK_F1,
         keyBits(3, 59),
         {true, false},
         &noScan,
         "down59 named" + f1Text + "S*3"},
        {"Ctrl+F12",
         WM_KEYDOWN,
         VK_F12,
         keyBits(1, 88),
         {false, true},
         &noScan,
         "down88 named" + f12Text + "C*1"},
        {"Delete",
         WM_KEYDOWN,
         VK_DELETE,
         keyBits(1, 83, true),
         {},
         &noScan,
         "down83x named" + delText + "*1"},
    };
    for (const Row& row : rows) {
        std::vector<InputEvent> batch;
        appendKeyMessage(row.message, row.virtualKey, row.bits, row.held, row.scanOf, batch);
        EXPECT_EQ(describe(batch), row.events) << row.what;
    }
    // Only a plain key-down types a named key: its release and the system
    // keys (F10, Alt held) do not.
    for (UINT message : {WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}) {
        std::vector<InputEvent> batch;
        appendKeyMessage(message, VK_F10, keyBits(1, 68), {}, &noScan, batch);
        ASSERT_EQ(batch.size(), 1u) << message;
        EXPECT_EQ(batch[0].code, 68);
        EXPECT_EQ(batch[0].down, message == WM_SYSKEYDOWN);
    }
}

TEST(Win32Keys, EveryNamedKeyHasItsVirtualKey) {
    const std::pair<WPARAM, NamedKey> table[] = {
        {VK_UP, NamedKey::Up},         {VK_DOWN, NamedKey::Down},     {VK_LEFT, NamedKey::Left},
        {VK_RIGHT, NamedKey::Right},   {VK_INSERT, NamedKey::Insert}, {VK_DELETE, NamedKey::Delete},
        {VK_HOME, NamedKey::Home},     {VK_END, NamedKey::End},       {VK_PRIOR, NamedKey::PageUp},
        {VK_NEXT, NamedKey::PageDown}, {VK_F1, NamedKey::F1},         {VK_F5, NamedKey::F5},
        {VK_F10, NamedKey::F10},       {VK_F12, NamedKey::F12},
    };
    for (const auto& [virtualKey, key] : table)
        EXPECT_EQ(namedKey(virtualKey), key) << virtualKey;
    for (WPARAM other : {WPARAM{'A'}, WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}, WPARAM{VK_F13},
                         WPARAM{VK_SHIFT}, WPARAM{VK_NUMPAD8}})
        EXPECT_EQ(namedKey(other), std::nullopt) << other;
}

TEST(Win32Keys, CharactersButtonsAndTouch) {
    std::vector<InputEvent> batch;
    appendCharMessage(0xE4, 2, batch);   // ä, typed twice
    appendCharMessage(0xD83D, 1, batch); // the first half of an emoji: '?'
    appendCharMessage(0xDE00, 1, batch); // its second half: nothing
    appendCharMessage(0x1B, 1, batch);   // Esc stays a control character
    EXPECT_EQ(describe(batch), "typed228*2 typed55357*1 typed27*1");
    EXPECT_EQ(typedKeyCode(static_cast<char32_t>(batch[1].code)), static_cast<std::uint32_t>('?'));

    EXPECT_EQ(buttonMask(MK_LBUTTON), 1);
    EXPECT_EQ(buttonMask(MK_RBUTTON | MK_SHIFT), 2);
    EXPECT_EQ(buttonMask(MK_MBUTTON | MK_CONTROL), 4);
    EXPECT_EQ(buttonMask(MK_XBUTTON1 | MK_XBUTTON2), 24);
    EXPECT_EQ(buttonMask(MAKEWPARAM(MK_LBUTTON | MK_XBUTTON2, 0x0078)), 17);
    EXPECT_EQ(buttonMask(0), 0);

    EXPECT_TRUE(touchPress(static_cast<LPARAM>(0xFF515700)));
    EXPECT_TRUE(touchPress(static_cast<LPARAM>(0xFF515780))); // a pen
    EXPECT_FALSE(touchPress(0));
    EXPECT_FALSE(touchPress(static_cast<LPARAM>(0xFF515600)));
}

} // namespace
} // namespace schlingo::platform::win32
