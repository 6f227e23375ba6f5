#pragma once
// A whole game on the scripted back end in a throwaway working directory, with
// picture files of known solid colours, a word list and helpers to script
// guesses by key and by mouse. The back end keeps a copy of the frame at every
// message box, so a test can see the screen as the player saw it then.

#include "gamefiles/button_map.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/seam/host.hpp"
#include "presentation/glyph_set.hpp"
#include "presentation/letter_board.hpp"
#include "rules/guessing_loop.hpp"
#include "rules/word_choice.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace schlingo::test {

struct Frame {
    int width = 0, height = 0;
    std::vector<platform::Pixel> pixels;
    platform::Pixel at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
    bool empty() const { return pixels.empty(); }
};

// The scripted back end, copying the frame buffer when a message box opens and
// whenever the game waits on a screen other than 940 x 320.
class RecordingBackend final : public platform::ScriptedBackend {
public:
    std::vector<Frame> framesAtMessages;
    Frame lastOtherScreen; // the last frame waited on at a screen not 940 x 320
    std::vector<platform::Announcement> announcements;

    void pumpEvents(std::uint64_t since, double deadline) override {
        const platform::Screen& screen = display_->screen;
        if (screen.isOpen() && !(screen.width() == 940 && screen.height() == 320)) {
            lastOtherScreen = snapshot();
        }
        ScriptedBackend::pumpEvents(since, deadline);
    }
    void announce(const platform::Announcement& announcement) override {
        announcements.push_back(announcement);
    }
    platform::MessageAnswer showMessage(const platform::MessageBox& box) override {
        framesAtMessages.push_back(snapshot());
        return ScriptedBackend::showMessage(box);
    }

    Frame snapshot() {
        Frame frame;
        std::lock_guard<std::mutex> guard(display_->lock);
        const platform::Screen& screen = display_->screen;
        if (!screen.isOpen()) {
            return frame;
        }
        frame.width = screen.presentWidth();
        frame.height = screen.presentHeight();
        frame.pixels.assign(screen.pixels(),
                            screen.pixels() + static_cast<std::size_t>(frame.width) * frame.height);
        return frame;
    }
};

// Colours of the test pictures.
inline constexpr platform::Pixel boardColour = 0xFF203040;        // "Logo_ohne.galgen"
inline constexpr platform::Pixel specialBoardColour = 0xFF204030; // "Logo.galgen"
inline constexpr platform::Pixel computerColour = 0xFFC00010;     // "PC.galgen"
inline constexpr platform::Pixel magenta = 0xFFFF00FF;            // a picture that failed to load
inline constexpr platform::Pixel black = 0xFF000000;              // the cleared screen

// Each glyph file gets its own colour.
inline platform::Pixel glyphColour(const std::string& fileName) {
    const int index = glyphIndex(fileName);
    return 0xFF800000u | (static_cast<platform::Pixel>(index + 1) << 8) | 0x11u;
}

// A long block picture file: the image buffer byte for byte, one solid colour.
inline void writeBlockPicture(const std::string& path, int width, int height,
                              platform::Pixel colour) {
    const int pitch = (width * 4 + 15) / 16 * 16;
    std::vector<unsigned char> block(32 + static_cast<std::size_t>(pitch) * height, 0);
    auto put32 = [&block](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            block[at + i] = static_cast<unsigned char>(v >> (8 * i));
        }
    };
    put32(0, 7);
    put32(4, 4);
    put32(8, static_cast<std::uint32_t>(width));
    put32(12, static_cast<std::uint32_t>(height));
    put32(16, static_cast<std::uint32_t>(pitch));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            put32(32 + static_cast<std::size_t>(y) * pitch + 4 * x, colour);
        }
    }
    std::FILE* file = platform::host::openFile(path, "wb");
    if (file == nullptr) {
        return;
    }
    const unsigned char tag = 0xFE;
    std::fwrite(&tag, 1, 1, file);
    unsigned char length[4];
    for (int i = 0; i < 4; ++i) {
        length[i] = static_cast<unsigned char>(block.size() >> (8 * i));
    }
    std::fwrite(length, 1, 4, file);
    std::fwrite(block.data(), 1, block.size(), file);
    std::fclose(file);
}

// Writes bytes to a file of the working directory by its Windows-1252 name.
inline void writeFile(const std::string& name, const std::string& bytes) {
    std::FILE* file = platform::host::openFile(name, "wb");
    if (file != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

// The whole content of a file of the working directory; nullopt when missing.
inline std::optional<std::string> readFile(const std::string& name) {
    std::FILE* file = platform::host::openFile(name, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    std::fclose(file);
    return bytes;
}

inline const std::string generalList = "allgemeine W\xF6rter.txt";

// The "Button2.galgen" whose record k is the board field of letter k + 1.
inline std::string boardButtonMap() {
    std::string text;
    for (int i = 1; i <= 31; ++i) {
        const BoardField& f = boardFields[i];
        text += std::to_string(f.x1) + "," + std::to_string(f.y1) + "," + std::to_string(f.x2) +
                "," + std::to_string(f.y2) + "\r\n";
    }
    return text;
}

struct GameFixture {
    TempDir dir;
    RecordingBackend backend;
    Program program{backend};

    GameFixture() {
        backend.attach(program.display);
        program.random.randomize(1000.0); // as the flow seeds it from the timer
        const std::string pictures = (dir.path() / "pictures").string();
        std::filesystem::create_directories(pictures);
        program.programDirectory = pictures;
        writeBlockPicture(picturePath(program, "Logo_ohne.galgen"), 640, 320, boardColour);
        writeBlockPicture(picturePath(program, "Logo.galgen"), 640, 320, specialBoardColour);
        writeBlockPicture(picturePath(program, "PC.galgen"), 140, 171, computerColour);
        for (const char* name : glyphFileNames) {
            writeBlockPicture(picturePath(program, name), 16, 16, glyphColour(name));
        }
    }

    platform::ScriptedBackend& script() { return backend; }

    // A list whose only choosable word is `word` (entry 1 is never played).
    void useWord(const std::string& word, const std::string& listName = generalList) {
        writeFile(listName, "erster Eintrag\r\n" + word + "\r\n");
    }

    // What the flow does before the first word: the button map, the word
    // choice, the screen.
    void startGame() {
        readButtonMap(program);
        chooseWordNow();
        program.screen().openScreen(940, 320, 32, 1, 0);
    }
    // Runs chooseWord; the exit code when it ended the program.
    std::optional<int> chooseWordNow() {
        try {
            chooseWord(program);
        } catch (const platform::ScriptedExit& exit) {
            return exit.code;
        }
        return std::nullopt;
    }

    // Plays until game over (returns nullopt) or until the program ends
    // (returns the exit code).
    std::optional<int> play() {
        try {
            playWords(program);
        } catch (const platform::ScriptedExit& exit) {
            return exit.code;
        }
        return std::nullopt;
    }

    // Scripted input, one presenter pass per guessing-loop pass while the
    // pointer is outside the window.
    void guess(const std::string& lettersToPress) {
        for (char c : lettersToPress) {
            script().press(scanCodeOf(c));
        }
    }
    static int scanCodeOf(char c) { return letters[c - 'a' + 1].scanCode; }
    // Holds the left button on the letter's board field until every rectangle
    // has had its turn, then moves the pointer out so the loop stops sleeping.
    void clickLetter(int letterIndex) {
        const BoardField& f = boardFields[letterIndex];
        script().click((f.x1 + f.x2) / 2, (f.y1 + f.y2) / 2, 33);
        script().pass({platform::InputEvent::pointer(-1, -1, false)});
    }
    // The list screen waits for a key after a lost game.
    void dismissList() { script().typeKey(' '); }

    int messageCount(const std::string& text) const {
        int n = 0;
        for (const auto& t : backend.messageTexts()) {
            n += t == text ? 1 : 0;
        }
        return n;
    }
};

} // namespace schlingo::test

namespace schlingo::test {

// The text as the 8 x 8 font draws it, in three colour bands: every pixel of
// the cells from (row, column) on is compared, glyph pixels against the band
// colour of their pixel row, the others against the black background. The
// glyph shapes come from a plain printText on a screen of its own.
inline ::testing::AssertionResult showsBandedText(const Frame& frame, const std::string& text,
                                                  int row, int column, platform::Pixel top,
                                                  platform::Pixel middle, platform::Pixel bottom) {
    constexpr platform::Pixel ink = 0x00ABCDEF;
    platform::ScriptedBackend referenceBackend;
    platform::Display reference(referenceBackend);
    referenceBackend.attach(reference);
    reference.screen.openScreen(frame.width, frame.height, 32, 1, 0);
    reference.screen.setForeground(ink);
    reference.screen.setTextCursor(row, column);
    const std::string oem = platform::toOem(text);
    reference.screen.printText(oem, platform::Ending::None);
    const int x0 = (column - 1) * 8, y0 = (row - 1) * 8;
    for (int x = x0; x < x0 + 8 * static_cast<int>(oem.size()); ++x) {
        for (int k = 0; k < 8; ++k) {
            const bool set = reference.screen.readPixel(x, y0 + k) == ink;
            const platform::Pixel band = k < 2 ? top : (k < 5 ? middle : bottom);
            const platform::Pixel expected = set ? band : black;
            if (frame.at(x, y0 + k) != expected) {
                return ::testing::AssertionFailure()
                       << "\"" << text << "\" at (" << x << ", " << y0 + k << "): 0x" << std::hex
                       << frame.at(x, y0 + k) << " instead of 0x" << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace schlingo::test
