// One word's pictures as the game handles them at the start and end of every
// word: the board picture created, loaded, drawn and freed, the 51 glyphs
// created and loaded, a 12-letter word row drawn, then all glyphs freed. The
// shipped pictures are read from data/; the first pass warms the file cache.

#include "platform/backends/scripted/scripted_backend.hpp"
#include "presentation/glyph_set.hpp"
#include "state/program.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace schlingo;

void oneWordsPictures(benchmark::State& state) {
    platform::ScriptedBackend backend;
    Program program(backend);
    backend.attach(program.display);
    program.programDirectory = SCHLINGO_SOURCE_DIR "/data";
    program.options.specialLetters = 1;
    program.screen().openScreen(940, 320, 32, 1, 0);
    const std::string word = "SCHLINGOWORT";
    auto onePass = [&] {
        drawBoardPicture(program);
        loadGlyphSet(program);
        program.screen().lockScreen();
        for (std::size_t i = 0; i < word.size(); ++i)
            program.screen().putImage(660 + 16.0 * static_cast<double>(i), 40,
                                      glyph(program, std::string(1, word[i]) + ".galgen"));
        program.screen().unlockScreen();
        freePlaceholderGlyph(program);
        freeGlyphSet(program);
    };
    onePass();
    if (program.screen().readPixel(1, 1) == platform::magentaFill) {
        state.SkipWithError("the board picture did not load from data/");
        return;
    }
    for (auto _ : state) {
        onePass();
        benchmark::DoNotOptimize(program.screen().readPixel(700, 45));
    }
}
BENCHMARK(oneWordsPictures)->Unit(benchmark::kMillisecond);

} // namespace
