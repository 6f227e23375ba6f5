// readHighscores on arbitrary contents of "Highscore.dat", then a game's end:
// rankScore with a score taken from the input and writeHighscores. Whatever
// was read, the table ranked into it is written so that it reads back exactly,
// sorted or not.

#include "fuzz_files.hpp"
#include "gamefiles/highscores.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "state/program.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using namespace schlingo;

bool isNumberLine(const std::string& bytes, std::size_t& at) {
    if (at >= bytes.size() || (bytes[at] != ' ' && bytes[at] != '-'))
        return false;
    const std::size_t first = ++at;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9')
        ++at;
    const bool digits = at > first && at - first <= 10 && (bytes[first] != '0' || at == first + 1);
    if (!digits || bytes.compare(at, 2, "\r\n") != 0)
        return false;
    at += 2;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::WorkDirectory work;
    fuzz::writeFile("Highscore.dat", data, size);

    platform::ScriptedBackend backend;
    Program program(backend);
    backend.attach(program.display);
    for (int i = 1; i <= 10; ++i)
        program.highscores.highscores[i] = 1000 * i; // entries the file may leave alone
    readHighscores(program);

    std::int32_t score = 0;
    if (size >= 4)
        std::memcpy(&score, data + size - 4, 4);
    const auto before = program.highscores.highscores;
    rankScore(program, score);
    const HighscoreTable& ranked = program.highscores;
    if (ranked.scorePlace < 0 || ranked.scorePlace > 10)
        std::abort();
    if (ranked.scorePlace > 0 && ranked.newHighscores[ranked.scorePlace] != score)
        std::abort();
    if (ranked.scorePlace == 0 && ranked.newHighscores != before &&
        ranked.newHighscores[0] != score)
        std::abort();
    writeHighscores(program);

    // Ten lines in the number form, nothing else.
    std::FILE* f = platform::host::openFile("Highscore.dat", "rb");
    if (f == nullptr)
        std::abort();
    char buffer[256];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    const std::string written(buffer, got);
    std::size_t at = 0;
    for (int line = 0; line < 10; ++line)
        if (!isNumberLine(written, at))
            std::abort();
    if (at != written.size())
        std::abort();

    platform::ScriptedBackend otherBackend;
    Program reread(otherBackend);
    otherBackend.attach(reread.display);
    readHighscores(reread);
    for (int i = 1; i <= 10; ++i)
        if (reread.highscores.highscores[i] != ranked.newHighscores[i])
            std::abort();
    return 0;
}
