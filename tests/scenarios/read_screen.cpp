// What the game shows in pictures of its window (binary PPM), one line a
// picture, e.g. "screen=game tries=11 word=H--- used=h":
//
//   read_screen DATA_DIR WORD_LENGTH PICTURE...   ("-": standard input)
//   read_screen DATA_DIR --serve                  one request a line on standard
//                                                 input, one answer a line, until
//                                                 its end: "WORD_LENGTH PICTURE"
//                                                 or "field LETTER"
//   read_screen --field LETTER                    "x y": the board field's middle
#include "presentation/letter_board.hpp"
#include "scenarios/screen_reader.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// "x y" of the middle of the letter's board field, "" for no letter a-z.
std::string fieldMiddle(const std::string& letter) {
    if (letter.size() != 1 || letter[0] < 'a' || letter[0] > 'z')
        return "";
    const schlingo::BoardField& f = schlingo::boardFields[letter[0] - 'a' + 1];
    return std::to_string((f.x1 + f.x2) / 2) + " " + std::to_string((f.y1 + f.y2) / 2);
}

std::string readingOf(const schlingo::test::ScreenReader& reader, const std::string& name,
                      int length) {
    schlingo::test::Picture picture;
    std::ifstream file;
    if (name != "-")
        file.open(name, std::ios::binary);
    std::istream& in = name == "-" ? std::cin : file;
    if (!schlingo::test::readPpm(in, picture))
        return "screen=none";
    return reader.read(picture, length).line();
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--field") {
        const std::string middle = fieldMiddle(argv[2]);
        std::printf("%s\n", middle.c_str());
        return middle.empty() ? 2 : 0;
    }
    if (argc == 3 && std::string(argv[2]) == "--serve") {
        const schlingo::test::ScreenReader reader(argv[1]);
        for (std::string line; std::getline(std::cin, line);) {
            if (line.rfind("field ", 0) == 0) {
                std::cout << fieldMiddle(line.substr(6)) << std::endl;
                continue;
            }
            std::istringstream request(line);
            int length = 0;
            std::string name;
            request >> length >> std::ws;
            std::getline(request, name);
            std::cout << readingOf(reader, name, length) << std::endl;
        }
        return 0;
    }
    if (argc < 4) {
        std::fputs("usage: read_screen DATA_DIR WORD_LENGTH PICTURE...\n"
                   "       read_screen DATA_DIR --serve\n"
                   "       read_screen --field LETTER\n",
                   stderr);
        return 2;
    }
    const schlingo::test::ScreenReader reader(argv[1]);
    for (int i = 3; i < argc; ++i)
        std::cout << readingOf(reader, argv[i], std::atoi(argv[2])) << std::endl;
    return 0;
}
