// loadImageFile on arbitrary file contents into a 16 x 16 image, which is then
// drawn with putImage at and across the screen's edges. Whatever the file
// holds, the image's header must still describe rows inside its buffer, and a
// file of no known form must leave the image as it was.

#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/machine/display.hpp"
#include "platform/machine/image_loader.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace schlingo::platform;

struct Bench {
    Bench() {
        backend.attach(display);
        if (display.screen.openScreen(64, 48, 32, 1, 0) != StatusOk)
            std::abort();
        // The loader reads a file, so every input is written to one; in memory
        // (tmpfs) when there is one, as a disk write costs more than the load.
        std::error_code error;
        const std::filesystem::path directory = std::filesystem::is_directory("/dev/shm", error)
                                                    ? std::filesystem::path("/dev/shm")
                                                    : std::filesystem::temp_directory_path();
        path = (directory / ("schlingo-fuzz-image-" +
                             std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".galgen"))
                   .string();
    }
    ~Bench() { std::filesystem::remove(path); }
    ScriptedBackend backend;
    Display display{backend};
    std::string path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Bench bench;
    std::FILE* f = std::fopen(bench.path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);

    Screen& screen = bench.display.screen;
    Image image = screen.createImage(16, 16);
    if (image == nullptr)
        std::abort();
    const std::vector<std::uint8_t> before(image->bytes, image->bytes + image->size);
    const int status = loadImageFile(bench.path, image);
    if (status < StatusOk || status > StatusReadError)
        std::abort();
    ImageLayout layout;
    if (!readImageLayout(image->bytes, image->size, layout))
        std::abort();
    const bool known = size > 0 && (data[0] == 0xFE || data[0] == 0xFD || data[0] == 'B');
    if (!known &&
        (status != StatusReadError || std::memcmp(before.data(), image->bytes, image->size) != 0))
        std::abort();
    for (auto [x, y] : {std::pair{0, 0}, {-7, -9}, {55, 40}, {63, 47}})
        screen.putImage(x, y, image);
    screen.destroyImage(image);
    return 0;
}
