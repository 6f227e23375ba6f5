// CPU cost of the guessing loop's shape on a real window, against the floor of
// any 1 ms polling design. Not a test: tests/desktop/redraw-cost runs both side
// by side and prints the figures.
//
//   redraw_cost --game SECONDS [--changing]   static 940 x 320 screen; every
//       pass reads the pointer, redraws an 11-character text inside
//       lockScreen/unlockScreen, tests 30 keys, sleeps 1 ms and reads a key
//   redraw_cost --floor SECONDS               only sleeps 1 ms per pass
// Prints "<mode> cpu_ms=N passes=N seconds=N".

#include "platform/backend.hpp"
#include "platform/display.hpp"

#include <dirent.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace schlingo::platform;

namespace {

double cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// CPU milliseconds of every thread of this process so far, from /proc.
void reportThreads() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return;
    const long ticks = sysconf(_SC_CLK_TCK);
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string path = std::string("/proc/self/task/") + entry->d_name + "/stat";
        std::FILE* f = std::fopen(path.c_str(), "r");
        if (f == nullptr)
            continue;
        char line[1024] = {};
        const std::size_t n = std::fread(line, 1, sizeof line - 1, f);
        std::fclose(f);
        line[n] = 0;
        // comm is in parentheses; utime and stime are fields 14 and 15.
        const char* open = std::strchr(line, '(');
        const char* close = std::strrchr(line, ')');
        if (open == nullptr || close == nullptr)
            continue;
        unsigned long utime = 0, stime = 0;
        if (std::sscanf(close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                        &stime) == 2)
            std::printf("  thread %.*s cpu_ms=%ld\n", static_cast<int>(close - open - 1), open + 1,
                        static_cast<long>((utime + stime) * 1000 / ticks));
    }
    closedir(tasks);
}

void report(const char* mode, double cpuStart, long long passes, double seconds) {
    std::printf("%s cpu_ms=%.0f passes=%lld seconds=%.1f\n", mode, cpuMilliseconds() - cpuStart,
                passes, seconds);
    reportThreads();
}

int floorLoop(double seconds) {
    const double cpu = cpuMilliseconds();
    const double start = now();
    long long passes = 0;
    const timespec oneMs{0, 1'000'000};
    while (now() - start < seconds) {
        nanosleep(&oneMs, nullptr);
        ++passes;
    }
    report("floor", cpu, passes, now() - start);
    return 0;
}

int gameLoop(double seconds, bool changing) {
    auto backend = makeDesktopBackend();
    Display display(*backend);
    Screen& screen = display.screen;
    Input& input = display.input;
    screen.setWindowTitle("Schlingo - Modus: Normal");
    screen.openScreen(940, 320, 32, 1, 0);
    // A static picture, drawn once, as the word screen is.
    screen.fillBox(0, 0, 639, 319, 0x3060A0);
    screen.fillBox(640, 0, 939, 170, 0xC0C0C0);
    screen.setTextCursor(37, 2);
    screen.printText("Punkte:  12  Spiele:  3  Rekord:  40", Ending::None);
    backend->sleepMilliseconds(500); // the window is up and shown

    const int keys[30] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, 49, 24,
                          25, 16, 19, 31, 20, 22, 47, 17, 45, 44, 21, 1,  29, 2,  3};
    const double cpu = cpuMilliseconds();
    const double start = now();
    long long passes = 0;
    while (now() - start < seconds) {
        const MouseState mouse = input.readMouse();
        screen.lockScreen();
        screen.setTextCursor(39, 58);
        char text[12];
        std::snprintf(text, sizeof text, "Versuche: %d",
                      changing ? static_cast<int>(passes % 10) : 9);
        screen.printText(text, Ending::None);
        screen.unlockScreen();
        for (int code : keys)
            input.isKeyDown(code);
        if (mouse.buttons <= 0)
            input.sleepFor(1);
        input.readKey();
        ++passes;
    }
    report(changing ? "game-changing" : "game", cpu, passes, now() - start);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--floor") == 0)
        return floorLoop(std::atof(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "--game") == 0)
        return gameLoop(std::atof(argv[2]), argc >= 4 && std::strcmp(argv[3], "--changing") == 0);
    std::fprintf(stderr, "usage: redraw_cost --game SECONDS [--changing] | --floor SECONDS\n");
    return 2;
}
