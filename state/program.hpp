#pragma once
// The program-wide state: the options, the game state and the word state, the
// word list, the highscore table, the letter-button rectangles and the glyph
// images, with the platform services they are drawn and read through. The
// program has one instance (made in main); tests make their own. Everything
// here belongs to the game thread; only `display` is shared with the presenter
// thread, under Display::lock.

#include "platform/machine/display.hpp"
#include "platform/machine/random.hpp"
#include "platform/machine/screen.hpp"
#include "platform/seam/backend.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace schlingo {

// Set by the start window, read by the guessing loop, the word choice and the
// records. Survive from game to game.
struct Options {
    int category = 0;       // 1 general, 2 cities, 3 countries, 4 professions, 5 random draw
    int randomCategory = 0; // "Zufall": a category is drawn before each new word
    int maxTries = 11;      // 11 general, 9 cities, 6 countries, 8 professions, 8 random
    int kamikazeMode = 0;
    int selbstmordMode = 0;
    int specialLetters = 0; // "Sonderzeichen": ä ö ü ß ñ must be guessed
    int blindMode = 0;      // "Blindmodus": hits and used letters are not drawn
};

struct GameState {
    int points = 0;        // running score of the current game
    int gamesWon = 0;      // words won in the current game ("Spiele: ")
    int winCycle = 0;      // won words 1..10 cyclically over the whole run
    int bonusTries = 0;    // extra tries of Kamikaze mode
    int carriedMisses = 0; // misses of the last won word
};

inline constexpr int letterCount = 31; // letter indexes 1..31

struct WordState {
    int triesLeft = 0;
    int missCount = 0;
    int revealedCount = 0;
    int wordFinished = 0;
    int modeSwitchAllowed = 1;
    int noHitYet = 1;
    std::array<int, letterCount + 1> letterUsed{};   // 1..31
    std::array<int, letterCount + 1> letterMissed{}; // 1..31
    std::string guessLetter;
    int guessIndex = 0;
    std::string currentWord; // Windows-1252
    int wordLength = 0;
    int wordLeft = 0;
    int mouseX = 0, mouseY = 0, mouseButtons = 0;
    std::uintptr_t gameWindow = 0;
};

struct WordList {
    // Slot 0 is never used; slots 1..wordCount hold the entries in file order.
    // Grows with the file; at most maxWordSlots entries after slot 0 are kept.
    std::vector<std::string> wordList;
    int wordCount = 0;
    int wordListLoaded = 0;
};
inline constexpr int maxWordSlots = 1'000'000;

struct HighscoreTable {
    std::array<std::int32_t, 11> highscores{};    // 1..10 ascending; 10 is the record
    std::array<std::int32_t, 11> newHighscores{}; // 0..10, built by rankScore
    int scorePlace = 0;                           // index in newHighscores, 0 = not placed
};

inline constexpr int buttonCount = 32; // rectangles 0..31

struct ButtonMap {
    std::array<std::int32_t, buttonCount> buttonLeft{}, buttonTop{}, buttonRight{}, buttonBottom{};
    int buttonCursor = 0; // rectangle tested last
};

inline constexpr int glyphCount = 51;

struct GlyphImages {
    std::array<platform::Image, glyphCount> glyphSet{}; // in load order; nullptr when freed
};

struct StatisticsState {
    std::string categoryLabel; // kept from one lost game to the next
};

struct Program {
    explicit Program(platform::Backend& backendToUse)
        : backend(backendToUse), display(backendToUse) {}

    platform::Backend& backend;
    platform::Display display;
    platform::Random random;
    std::string programDirectory; // where the picture files are looked up

    Options options;
    GameState game;
    WordState word;
    WordList words;
    HighscoreTable highscores;
    ButtonMap buttons;
    GlyphImages glyphs;
    StatisticsState statistics;

    platform::Screen& screen() { return display.screen; }
    platform::Input& input() { return display.input; }
};

// A message of the game itself: no owner, title "Schlingo", information icon,
// system-modal. Blocks until dismissed.
void showGameMessage(Program& program, const std::string& text);

} // namespace schlingo
