// A word's set-up in the real game code: from the moment the player dismisses
// "Gratuliere, das war das richtige Wort!" to the first pass of the next
// word's guessing loop, i.e. the scoring, the highscore file read again, the
// next word chosen (its list read again in random-category mode), its 52
// pictures loaded from their files and its screen drawn into the frame buffer.
// A back end without window plays every word by pressing its letters.
//
//   schlingo_word_setup DATA_DIR [WORDS] [--random]
//
// DATA_DIR holds the shipped pictures and lists (dist/linux). Prints the
// median and the 90th percentile in milliseconds.

#include "gamefiles/button_map.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "platform/seam/host.hpp"
#include "rules/guessing_loop.hpp"
#include "rules/word_choice.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace schlingo;
using SteadyClock = std::chrono::steady_clock;

struct Done {};

// Answers every message with OK and plays: at the start of each pass of the
// guessing loop, and whenever it waits, it presses or releases the next letter
// of the word that is not used yet.
class BotBackend final : public platform::ScriptedBackend {
public:
    explicit BotBackend(int words) : wanted_(words) {}
    void useProgram(Program& program) { program_ = &program; }

    double timerSeconds() override { return platform::host::monotonicSeconds(); }
    platform::LocalTime localTime() override { return platform::host::localTimeNow(); }
    platform::MessageAnswer showMessage(const platform::MessageBox& box) override {
        if (box.text.rfind("Gratuliere", 0) == 0)
            wonAt_ = SteadyClock::now();
        else
            lost_ += 1;
        return platform::MessageAnswer::Ok;
    }
    [[noreturn]] void exitProcess(int) override { throw Done{}; }

    void pumpEvents(std::uint64_t, double) override {
        if (wonAt_) {
            setups_.push_back(
                std::chrono::duration<double, std::milli>(SteadyClock::now() - *wonAt_));
            wonAt_.reset();
            if (static_cast<int>(setups_.size()) >= wanted_)
                throw Done{};
        }
        using platform::InputEvent;
        std::vector<InputEvent> events{InputEvent::focus(true)};
        if (held_ != 0) {
            events.push_back(InputEvent::key(held_, false));
            held_ = 0;
        } else {
            held_ = nextKey();
            // A space closes the list screen after a word that could not be won.
            events.push_back(held_ != 0 ? InputEvent::key(held_, true) : InputEvent::typed(' '));
        }
        display_->deliver(events);
    }

    const std::vector<std::chrono::duration<double, std::milli>>& setups() const { return setups_; }
    int lost() const { return lost_; }

private:
    int nextKey() const {
        const WordState& word = program_->word;
        for (int i = 1; i <= 26; ++i)
            if (word.letterUsed[static_cast<std::size_t>(i)] == 0 &&
                word.currentWord.find(letters[i].text) != std::string::npos)
                return letters[i].scanCode;
        return 0;
    }

    Program* program_ = nullptr;
    int wanted_;
    int held_ = 0;
    int lost_ = 0;
    std::optional<SteadyClock::time_point> wonAt_;
    std::vector<std::chrono::duration<double, std::milli>> setups_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: schlingo_word_setup DATA_DIR [WORDS] [--random]\n");
        return 2;
    }
    const std::filesystem::path data = std::filesystem::absolute(argv[1]);
    const int words = argc > 2 && argv[2][0] != '-' ? std::atoi(argv[2]) : 50;
    const bool random = std::string(argv[argc - 1]) == "--random";

    // The lists, the button map and no highscore file in a working directory of
    // their own, as a player's first game finds them.
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / "schlingo-word-setup";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    for (const auto& entry : std::filesystem::directory_iterator(data))
        if (entry.path().extension() == ".txt" || entry.path().filename() == "Button2.galgen")
            std::filesystem::copy_file(entry.path(), work / entry.path().filename());
    std::filesystem::current_path(work);

    BotBackend backend(words);
    auto* program = new Program(backend); // ends with the process, as in the game
    backend.useProgram(*program);
    program->programDirectory = data.string();
    program->random.randomize(platform::host::monotonicSeconds());
    program->options.category = 1;
    program->options.randomCategory = random ? 1 : 0;
    readButtonMap(*program);
    chooseWord(*program);
    program->screen().openScreen(940, 320, 32, 1, 0);
    try {
        playWords(*program);
    } catch (const Done&) {
    }

    auto times = backend.setups();
    if (times.empty()) {
        std::fprintf(stderr, "no word was won\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2].count();
    const double p90 = times[times.size() * 9 / 10].count();
    std::printf("%s: %zu words, median %.2f ms, p90 %.2f ms\n",
                random ? "random category" : "general words", times.size(), median, p90);
    std::filesystem::current_path(data);
    std::filesystem::remove_all(work);
    return 0;
}
