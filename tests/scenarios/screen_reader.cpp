#include "scenarios/screen_reader.hpp"

#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/font8x8.hpp"
#include "platform/machine/image_loader.hpp"
#include "presentation/glyph_set.hpp"
#include "presentation/letter_board.hpp"
#include "state/program.hpp"

#include <array>

namespace schlingo::test {

namespace {

// What a glyph picture stands for in a reading of the word row.
std::string glyphText(const std::string& fileName) {
    if (fileName == "Strich.galgen")
        return "-";
    if (fileName == "leer.galgen")
        return " ";
    const std::string stem = fileName.substr(0, fileName.find('.'));
    if (stem.size() != 1)
        return "?";
    const auto c = static_cast<unsigned char>(stem[0]);
    if (c < 0x80)
        return stem;
    // The capitals with their Windows-1252 byte: Ä Ö Ü ß Ñ.
    return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
}

// The game's pixel (x, y) of a picture at a whole factor.
struct Scaled {
    const Picture& picture;
    int factor;
    std::uint32_t at(int x, int y) const {
        return picture.rgb[static_cast<std::size_t>(y * factor) * picture.width + x * factor];
    }
};

// The character of the 8 x 8 font whose set pixels are the cell's lit ones;
// '?' when none is.
char cellText(const Scaled& s, int row, int column) {
    std::array<std::uint8_t, 8> lit{};
    for (int k = 0; k < 8; ++k)
        for (int b = 0; b < 8; ++b)
            if (s.at((column - 1) * 8 + b, (row - 1) * 8 + k) != 0)
                lit[k] |= static_cast<std::uint8_t>(0x80 >> b);
    if (lit == std::array<std::uint8_t, 8>{})
        return ' ';
    for (int c = 33; c < 127; ++c) {
        bool same = true;
        for (int k = 0; k < 8 && same; ++k)
            same = platform::font8x8[c][k] == lit[k];
        if (same)
            return static_cast<char>(c);
    }
    return '?';
}

std::string cellsText(const Scaled& s, int row, int column, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += cellText(s, row, column + i);
    return text;
}

} // namespace

bool readPpm(std::istream& in, Picture& picture) {
    std::string magic;
    int maxValue = 0;
    in >> magic >> picture.width >> picture.height >> maxValue;
    if (!in || magic != "P6" || (maxValue != 255 && maxValue != 65535) || picture.width <= 0 ||
        picture.height <= 0)
        return false;
    in.get(); // the one white-space character before the pixels
    // 16-bit samples (ImageMagick's): the high byte is the 8-bit value.
    const std::size_t sampleBytes = maxValue == 255 ? 1 : 2;
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
    std::vector<unsigned char> bytes(count * 3 * sampleBytes);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size())
        return false;
    picture.rgb.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = &bytes[3 * sampleBytes * i];
        picture.rgb[i] =
            static_cast<std::uint32_t>(p[0] << 16 | p[sampleBytes] << 8 | p[2 * sampleBytes]);
    }
    return true;
}

std::string ScreenReading::line() const {
    std::string text = "screen=" + screen;
    if (screen == "game")
        text += " tries=" + tries + " word=" + word + " used=" + used;
    return text;
}

ScreenReader::ScreenReader(const std::string& dataDirectory) {
    // Each glyph as the game draws it: loaded by its loader, put on a screen.
    platform::ScriptedBackend backend;
    Program program(backend);
    backend.attach(program.display);
    program.programDirectory = dataDirectory;
    platform::Screen& screen = program.screen();
    screen.openScreen(16, 16, 32, 1, 0);
    for (const char* name : glyphFileNames) {
        platform::Image image = screen.createImage(16, 16);
        if (image == nullptr || platform::loadImageFile(picturePath(program, name), image) != 0) {
            screen.destroyImage(image);
            continue;
        }
        screen.putImage(0, 0, image);
        screen.destroyImage(image);
        Glyph glyph{glyphText(name), {}};
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                glyph.rgb.push_back(screen.readPixel(x, y) & 0xFFFFFF);
        glyphs_.push_back(glyph);
    }
}

ScreenReading ScreenReader::read(const Picture& picture, int wordLength) const {
    ScreenReading reading;
    const int factor = picture.width % 940 == 0 ? picture.width / 940 : picture.width / 400;
    const bool game = factor > 0 && picture.width == 940 * factor && picture.height == 320 * factor;
    const bool list = factor > 0 && picture.width == 400 * factor && picture.height == 400 * factor;
    reading.screen = std::to_string(picture.width) + "x" + std::to_string(picture.height);
    if (picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height)
        return reading;
    const Scaled s{picture, factor};
    if (list) {
        if (cellsText(s, 46, 12, 28) == "Weiter mit beliebiger Taste!")
            reading.screen = "list";
        return reading;
    }
    if (!game)
        return reading;
    reading.screen = "game";

    reading.tries = cellsText(s, 39, 58, 6);
    reading.tries.erase(reading.tries.find_last_not_of(' ') + 1);

    const int left = 472 - 8 * wordLength;
    for (int i = 0; i < wordLength; ++i) {
        const int x0 = left + 16 * i;
        std::string text = "?";
        for (const Glyph& glyph : glyphs_) {
            bool same = x0 >= 0 && x0 + 16 <= 940;
            for (int y = 0; y < 16 && same; ++y)
                for (int x = 0; x < 16 && same; ++x)
                    same = (s.at(x0 + x, 36 + y) & 0xFFFFFF) == glyph.rgb[y * 16 + x];
            if (same) {
                text = glyph.text;
                break;
            }
        }
        reading.word += text;
    }

    for (int letter = 1; letter <= 26; ++letter) {
        const BoardField& f = boardFields[letter];
        bool black = true;
        for (int y = f.y1; y <= f.y2 && black; ++y)
            for (int x = f.x1; x <= f.x2 && black; ++x)
                black = (s.at(x, y) & 0xFFFFFF) == 0;
        if (black)
            reading.used += static_cast<char>('a' + letter - 1);
    }
    if (reading.used.empty())
        reading.used.push_back('-'); // not = "-": GCC 12 warns of an overlap there
    return reading;
}

} // namespace schlingo::test
