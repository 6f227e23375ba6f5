// Reading a large word list and a number file through the item reader.

#include "platform/machine/random.hpp"
#include "platform/machine/text_file.hpp"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using schlingo::platform::TextFile;

std::string wordList(int words) {
    std::string bytes;
    for (int i = 0; i < words; ++i) {
        bytes += "wort" + std::to_string(i) + (i % 7 == 0 ? ",zweites\r\n" : "\r\n");
    }
    return bytes;
}

void readTextItems(benchmark::State& state) {
    const std::string bytes = wordList(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TextFile file;
        file.openInputBytes(bytes);
        std::size_t items = 0;
        do {
            benchmark::DoNotOptimize(file.readTextItem());
            ++items;
        } while (!file.atEnd());
        benchmark::DoNotOptimize(items);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(readTextItems)->Arg(100000);

void readIntegerItems(benchmark::State& state) {
    std::string bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes += (i % 3 == 0 ? "-" : " ") + std::to_string(i * 7919) + "\r\n";
    }
    for (auto _ : state) {
        TextFile file;
        file.openInputBytes(bytes);
        std::int64_t sum = 0;
        do {
            sum += file.readIntegerItem();
        } while (!file.atEnd());
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(readIntegerItems);

void drawRandom(benchmark::State& state) {
    schlingo::platform::Random random;
    random.randomize(12345.0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(random.rnd());
    }
}
BENCHMARK(drawRandom);

} // namespace
