// Loading a word list of a million entries against a plain getline loop over
// the same file, with the heap the load needs at its peak, and one pass of the
// guessing loop without its sleep. A program of its own, since it replaces
// the global operator new to count the heap.

#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/seam/host.hpp"
#include "rules/guessing_loop.hpp"
#include "rules/word_choice.hpp"
#include "state/program.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace {

using namespace schlingo;

// A back end reduced to nothing: no window, no presenter, no sleep; a pass
// that waits for the input to change finds the wheel turned.
class QuietBackend final : public platform::ScriptedBackend {
public:
    void pumpEvents(std::uint64_t, double deadline) override {
        const platform::InputEvent turn = platform::InputEvent::wheel(1);
        if (deadline == platform::noDeadline)
            display_->deliver({&turn, 1});
    }
    [[noreturn]] void exitProcess(int code) override { std::exit(code); }
};

// A working directory holding a general word list of a million entries.
struct ListDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path path = std::filesystem::temp_directory_path() / "schlingo-rules-bench";
    std::string utf8Name = "allgemeine W\xC3\xB6rter.txt";

    ListDirectory() {
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
        std::ofstream out(utf8Name, std::ios::binary);
        out << "Eintrag eins\r\n";
        for (int i = 1; i < 1'000'000; ++i) {
            out << "wort" << i << (i % 50 == 0 ? " mit leerzeichen" : "") << "\r\n";
        }
    }
    ~ListDirectory() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
};

ListDirectory& listDirectory() {
    static ListDirectory directory;
    return directory;
}

// Live heap bytes and their high-water mark, counted by the replaced global
// operator new and delete below (this program only).
std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void resetPeak() {
    peakBytes = liveBytes.load();
}

void loadWordList(benchmark::State& state) {
    listDirectory();
    QuietBackend backend;
    double peakMb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(backend);
        program->random.randomize(1.0);
        const long long before = liveBytes;
        resetPeak();
        state.ResumeTiming();
        chooseWord(*program);
        state.PauseTiming();
        peakMb = std::max(peakMb, static_cast<double>(peakBytes - before) / (1024.0 * 1024.0));
        benchmark::DoNotOptimize(program->words.wordCount);
        if (program->words.wordCount != 1'000'000) {
            state.SkipWithError("the list did not load whole");
        }
        program.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peakMb;
}
BENCHMARK(loadWordList)->Unit(benchmark::kMillisecond);

void getlineLoop(benchmark::State& state) {
    const std::string name = listDirectory().utf8Name;
    for (auto _ : state) {
        std::ifstream in(name, std::ios::binary);
        std::string line;
        long lines = 0;
        while (std::getline(in, line)) {
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(getlineLoop)->Unit(benchmark::kMillisecond);

// CPU seconds of this thread: steadier than wall time on a busy machine.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Both loads in turn in every iteration, so that a change in the machine's
// load touches both alike; the counter is the ratio of their CPU times.
void loadAgainstGetline(benchmark::State& state) {
    const std::string name = listDirectory().utf8Name;
    QuietBackend backend;
    double listSeconds = 0, getlineSeconds = 0;
    for (auto _ : state) {
        double t0 = threadSeconds();
        {
            std::ifstream in(name, std::ios::binary);
            std::string line;
            long lines = 0;
            while (std::getline(in, line)) {
                ++lines;
            }
            benchmark::DoNotOptimize(lines);
        }
        double t1 = threadSeconds();
        getlineSeconds += t1 - t0;
        auto program = std::make_unique<Program>(backend);
        program->random.randomize(1.0);
        t0 = threadSeconds();
        chooseWord(*program);
        t1 = threadSeconds();
        listSeconds += t1 - t0;
        benchmark::DoNotOptimize(program->words.wordCount);
    }
    state.counters["ratio"] = listSeconds / getlineSeconds;
}
BENCHMARK(loadAgainstGetline)->Unit(benchmark::kMillisecond);

// One pass of the guessing loop on a word that goes on: the tries-left redraw
// in a screen lock, the mouse test, the 26 letter keys and the mode keys.
void guessingLoopPass(benchmark::State& state) {
    const bool leftButtonHeld = state.range(0) != 0;
    QuietBackend backend;
    Program program(backend);
    program.screen().openScreen(940, 320, 32, 1, 0);
    const platform::InputEvent setUp[] = {platform::InputEvent::focus(true),
                                          platform::InputEvent::pointer(700, 100, true),
                                          platform::InputEvent::button(0, leftButtonHeld)};
    program.display.deliver(setUp);
    // A button map in the working directory: the held button makes the pass
    // look for the file and test one rectangle, away from the pointer.
    listDirectory();
    if (std::FILE* map = platform::host::openFile("Button2.galgen", "wb")) {
        std::fputs("17,208,44,233\r\n", map);
        std::fclose(map);
    }
    program.word.currentWord = "ab";
    program.word.wordLength = 2;
    program.word.wordLeft = 456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(guessingPass(program));
    }
    if (program.word.revealedCount != 0 || program.word.missCount != 0) {
        state.SkipWithError("a pass took a guess");
    }
}
BENCHMARK(guessingLoopPass)->Arg(0)->Arg(1)->ArgName("leftButtonHeld");

} // namespace

// Every allocation carries its size in front, so delete can count it off.
[[gnu::noinline]] void* operator new(std::size_t size) {
    constexpr std::size_t header = alignof(std::max_align_t);
    auto* block = static_cast<char*>(std::malloc(size + header));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *reinterpret_cast<std::size_t*>(block) = size;
    const long long live = liveBytes += static_cast<long long>(size);
    long long peak = peakBytes;
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return block + header;
}

[[gnu::noinline]] void operator delete(void* pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    constexpr std::size_t header = alignof(std::max_align_t);
    char* block = static_cast<char*>(pointer) - header;
    liveBytes -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}
