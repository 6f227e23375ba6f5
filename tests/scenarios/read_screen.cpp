// What the game shows in pictures of its window (binary PPM), one line a
// picture, e.g. "screen=game tries=11 word=H--- used=h":
//
//   read_screen DATA_DIR WORD_LENGTH PICTURE...   ("-": standard input)
//   read_screen DATA_DIR --serve                  one request a line on standard
//                                                 input, one answer a line, until
//                                                 its end: "WORD_LENGTH PICTURE"
#include "scenarios/screen_reader.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

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
    if (argc == 3 && std::string(argv[2]) == "--serve") {
        const schlingo::test::ScreenReader reader(argv[1]);
        for (std::string line; std::getline(std::cin, line);) {
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
                   "       read_screen DATA_DIR --serve\n",
                   stderr);
        return 2;
    }
    const schlingo::test::ScreenReader reader(argv[1]);
    for (int i = 3; i < argc; ++i)
        std::cout << readingOf(reader, argv[i], std::atoi(argv[2])) << std::endl;
    return 0;
}
