#include "platform/backends/linux/sdl_keys.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace schlingo::platform::sdl {
namespace {

SDL_Keysym keysym(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Keysym key{};
    key.sym = sym;
    key.mod = mod;
    return key;
}

// What the key-down puts into the key buffer once the door has converted it.
std::optional<std::uint32_t> keyDownCode(const SDL_Keysym& key) {
    const std::optional<InputEvent> e = keyDownEvent(key);
    if (!e)
        return std::nullopt;
    if (e->kind == InputEvent::Kind::Typed)
        return typedKeyCode(static_cast<char32_t>(e->code));
    const int bios = biosExtendedCode(static_cast<NamedKey>(e->code), e->shift, e->ctrl);
    return bios == 0 ? std::nullopt : std::optional<std::uint32_t>(255u + 256u * bios);
}

std::vector<std::uint32_t> textCodes(const char* utf8) {
    std::vector<std::uint32_t> codes;
    for (char32_t c : textCodePoints(utf8))
        codes.push_back(typedKeyCode(c));
    return codes;
}

TEST(SdlKeys, ScanCodesFollowKeyPositionsAndFoldTheExtendedPrefix) {
    // SDL names positions after the US layout: its Y is the German Z key.
    EXPECT_EQ(toSet1(SDL_SCANCODE_A), 30);
    EXPECT_EQ(toSet1(SDL_SCANCODE_Y), 21);
    EXPECT_EQ(toSet1(SDL_SCANCODE_Z), 44);
    EXPECT_EQ(toSet1(SDL_SCANCODE_Q), 16);
    EXPECT_EQ(toSet1(SDL_SCANCODE_M), 50);
    EXPECT_EQ(toSet1(SDL_SCANCODE_ESCAPE), 1);
    EXPECT_EQ(toSet1(SDL_SCANCODE_1), 2);
    EXPECT_EQ(toSet1(SDL_SCANCODE_3), 4);
    EXPECT_EQ(toSet1(SDL_SCANCODE_0), 11);
    EXPECT_EQ(toSet1(SDL_SCANCODE_LCTRL), 29);
    EXPECT_EQ(toSet1(SDL_SCANCODE_RCTRL), 29);
    EXPECT_EQ(toSet1(SDL_SCANCODE_KP_ENTER), 28);
    EXPECT_EQ(toSet1(SDL_SCANCODE_KP_DIVIDE), 53);
    EXPECT_EQ(toSet1(SDL_SCANCODE_UP), 72);
    EXPECT_EQ(toSet1(SDL_SCANCODE_F12), 88);
    EXPECT_EQ(toSet1(SDL_SCANCODE_NONUSBACKSLASH), 86);
    // The twins that share a folded code are told apart by the prefix.
    for (auto [key, twin] : {std::pair{SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL},
                             {SDL_SCANCODE_LALT, SDL_SCANCODE_RALT},
                             {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER},
                             {SDL_SCANCODE_KP_8, SDL_SCANCODE_UP},
                             {SDL_SCANCODE_KP_PERIOD, SDL_SCANCODE_DELETE}}) {
        EXPECT_EQ(toSet1(key), toSet1(twin));
        EXPECT_FALSE(isExtended(key)) << key;
        EXPECT_TRUE(isExtended(twin)) << twin;
    }
    EXPECT_EQ(toSet1(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(toSet1(SDL_SCANCODE_F13), 0);
    EXPECT_EQ(toSet1(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES - 1)), 0);

    // The 26 letter keys reach 26 different codes, all below 128.
    std::set<int> letters;
    for (int s = SDL_SCANCODE_A; s <= SDL_SCANCODE_Z; ++s)
        letters.insert(toSet1(static_cast<SDL_Scancode>(s)));
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_GE(*letters.begin(), 16);
    EXPECT_LE(*letters.rbegin(), 50);
}

TEST(SdlKeys, KeyDownPostsControlCharactersAndNamedKeys) {
    EXPECT_EQ(keyDownCode(keysym(SDLK_ESCAPE)), 27u);
    EXPECT_EQ(keyDownCode(keysym(SDLK_RETURN)), 13u);
    EXPECT_EQ(keyDownCode(keysym(SDLK_KP_ENTER)), 13u);
    EXPECT_EQ(keyDownCode(keysym(SDLK_BACKSPACE)), 8u);
    EXPECT_EQ(keyDownCode(keysym(SDLK_a, KMOD_LCTRL)), 1u);
    EXPECT_EQ(keyDownCode(keysym(SDLK_z, KMOD_RCTRL)), 26u);
    EXPECT_EQ(keyDownCode(keysym(SDLK_UP)), 255u + 256u * 72);
    EXPECT_EQ(keyDownCode(keysym(SDLK_F1, KMOD_LSHIFT)), 255u + 256u * 84);
    EXPECT_EQ(keyDownCode(keysym(SDLK_F1, KMOD_RCTRL)), 255u + 256u * 94);
    EXPECT_EQ(keyDownCode(keysym(SDLK_F12)), 255u + 256u * 134);
    // Printable keys come as text events, not from here.
    EXPECT_FALSE(keyDownCode(keysym(SDLK_a)));
    EXPECT_FALSE(keyDownCode(keysym(SDLK_1, KMOD_LCTRL)));
    EXPECT_FALSE(keyDownCode(keysym(SDLK_SPACE)));
    EXPECT_EQ(keyDownCode(keysym(SDLK_SPACE, KMOD_LCTRL)), 32u);
    // System keys: F10 and anything with Alt post nothing.
    EXPECT_FALSE(keyDownCode(keysym(SDLK_F10)));
    EXPECT_FALSE(keyDownCode(keysym(SDLK_UP, KMOD_LALT)));
    EXPECT_FALSE(keyDownCode(keysym(SDLK_ESCAPE, KMOD_RALT)));
    EXPECT_FALSE(keyDownCode(keysym(SDLK_a, KMOD_LCTRL | KMOD_LALT)));
    // The keypad is a cursor block without Num Lock and types digits with it.
    EXPECT_EQ(keyDownCode(keysym(SDLK_KP_8)), 255u + 256u * 72);
    EXPECT_EQ(keyDownCode(keysym(SDLK_KP_PERIOD)), 255u + 256u * 83);
    EXPECT_FALSE(keyDownCode(keysym(SDLK_KP_8, KMOD_NUM)));
}

TEST(SdlKeys, TextPostsUnlessAltOrCtrlAloneTypedIt) {
    struct Row {
        Uint16 mod;
        bool rightAltIsAltGr;
        bool posts;
    };
    const Row rows[] = {
        {KMOD_NONE, false, true},
        {KMOD_LSHIFT | KMOD_CAPS | KMOD_NUM, false, true},
        // Ctrl alone: Ctrl+1 types "1" under X, nothing under Windows.
        {KMOD_LCTRL, true, false},
        {KMOD_RCTRL | KMOD_LSHIFT, true, false},
        // Left Alt is Alt on every layout.
        {KMOD_LALT, true, false},
        {KMOD_LALT | KMOD_LCTRL, true, false},
        {KMOD_LALT | KMOD_RALT, true, false},
        // Right Alt: AltGr or plain Alt, as the layout says.
        {KMOD_RALT, true, true},
        {KMOD_RALT | KMOD_LSHIFT, true, true},
        {KMOD_RALT | KMOD_LCTRL, true, true},
        {KMOD_RALT, false, false},
        {KMOD_RALT | KMOD_LCTRL, false, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(textPosts(row.mod, row.rightAltIsAltGr), row.posts)
            << "mod " << row.mod << ", AltGr " << row.rightAltIsAltGr;
    // Without Alt held the layout is not asked.
    EXPECT_TRUE(textPosts(KMOD_LSHIFT));
    EXPECT_FALSE(textPosts(KMOD_LCTRL));
    EXPECT_FALSE(textPosts(KMOD_LALT));
}

TEST(SdlKeys, TypedTextBecomesCodePage437) {
    EXPECT_EQ(textCodes("a"), (std::vector<std::uint32_t>{'a'}));
    EXPECT_EQ(textCodes("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"),
              (std::vector<std::uint32_t>{132, 148, 129, 225}));         // ä ö ü ß
    EXPECT_EQ(textCodes("\xC3\x84"), (std::vector<std::uint32_t>{142})); // Ä
    EXPECT_EQ(textCodes("\xC3\xB1"), (std::vector<std::uint32_t>{164})); // ñ
    // Without a Windows-1252 form the character arrives as '?'.
    EXPECT_EQ(textCodes("\xE2\x82\xAC\xCE\xA9"), (std::vector<std::uint32_t>{'?', '?'})); // € Ω
    // Broken sequences count as one unknown character each; control characters
    // come from key events, never from text.
    EXPECT_EQ(textCodes("\xC3"), (std::vector<std::uint32_t>{'?'}));
    EXPECT_EQ(textCodes("\xE2\x28x"), (std::vector<std::uint32_t>{'?', '(', 'x'}));
    EXPECT_EQ(textCodes("\t\x7F"), (std::vector<std::uint32_t>{}));
    EXPECT_EQ(textCodes(nullptr), (std::vector<std::uint32_t>{}));
}

} // namespace
} // namespace schlingo::platform::sdl
