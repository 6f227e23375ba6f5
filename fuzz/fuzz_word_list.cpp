// The general word list with arbitrary contents, read by chooseWord and drawn
// from several times. Either a word is chosen (never entry 1, never empty, an
// entry of the list, with its length and the row's left edge) or, when the
// list holds no word after its first entry, the program ends with a message.

#include "fuzz_files.hpp"
#include "platform/backends/scripted/scripted_backend.hpp"
#include "rules/word_choice.hpp"
#include "state/program.hpp"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace schlingo;
    static fuzz::WorkDirectory work;
    fuzz::writeFile(wordListFileName(1), data, size);

    platform::ScriptedBackend backend;
    Program program(backend);
    backend.attach(program.display);
    program.random.randomize(size);
    const WordList& words = program.words;
    for (int draw = 0; draw < 4; ++draw) {
        try {
            chooseWord(program);
        } catch (const platform::ScriptedExit& exit) {
            if (exit.code != 0 || draw != 0 || backend.messages().size() != 1)
                std::abort();
            for (int i = 2; i <= words.wordCount; ++i)
                if (!words.wordList[static_cast<std::size_t>(i)].empty())
                    std::abort(); // a word was there to be chosen
            return 0;
        }
        if (!backend.messages().empty() || words.wordListLoaded != 1)
            std::abort();
        if (words.wordCount < 2 || words.wordCount > maxWordSlots ||
            words.wordList.size() < static_cast<std::size_t>(words.wordCount) + 1)
            std::abort();
        const std::string& word = program.word.currentWord;
        if (word.empty() || word.size() > 4096 ||
            program.word.wordLength != static_cast<int>(word.size()) ||
            program.word.wordLeft != 472 - 8 * program.word.wordLength)
            std::abort();
        bool found = false;
        for (int i = 2; i <= words.wordCount && !found; ++i)
            found = words.wordList[static_cast<std::size_t>(i)] == word;
        if (!found)
            std::abort();
    }
    return 0;
}
