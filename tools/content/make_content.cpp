// Writes the game's pictures, click map, icon and word lists into data/ and
// resources/ of the repository given as the only argument (default: ".").
// Files whose bytes are already right are left untouched.

#include "tools/content/content_files.hpp"

#include <cstdio>
#include <exception>
#include <fstream>

int main(int argc, char** argv) {
    using namespace schlingo::content;
    const std::filesystem::path root = argc > 1 ? std::filesystem::path(argv[1]) : ".";
    try {
        int written = 0, unchanged = 0;
        for (const ContentFile& file : generateContent(root)) {
            const std::filesystem::path target = root / utf8Path(file.path);
            if (readWholeFile(target) == file.bytes) {
                ++unchanged;
                continue;
            }
            std::filesystem::create_directories(target.parent_path());
            std::ofstream out(target, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(file.bytes.data()),
                      static_cast<std::streamsize>(file.bytes.size()));
            if (!out.flush()) {
                std::fprintf(stderr, "cannot write %s\n", file.path.c_str());
                return 1;
            }
            std::printf("wrote %s\n", file.path.c_str());
            ++written;
        }
        std::printf("%d written, %d unchanged\n", written, unchanged);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
