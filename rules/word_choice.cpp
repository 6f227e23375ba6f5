#include "rules/word_choice.hpp"

#include "platform/machine/random.hpp"
#include "platform/machine/text_encoding.hpp"
#include "platform/machine/text_file.hpp"
#include "state/program.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace schlingo {

std::string wordListFileName(int category) {
    switch (category) {
    case 2:
        return "St\xE4"
               "dte.txt";
    case 3:
        return "L\xE4nder.txt";
    case 4:
        return "Berufe.txt";
    default:
        return "allgemeine W\xF6rter.txt";
    }
}

namespace {

void endWithMessage(Program& program, const std::string& text) {
    showGameMessage(program, text);
    program.backend.exitProcess(0);
}

// Counts the bytes equal to '\n' or ',' eight at a time.
std::size_t countSeparators(const char* bytes, std::size_t size) {
    constexpr std::uint64_t ones = 0x0101010101010101u, low7 = 0x7F7F7F7F7F7F7F7Fu;
    auto zeroBytes = [](std::uint64_t x) {
        // The high bit of every zero byte, summed into the top byte.
        const std::uint64_t high = ~(((x & low7) + low7) | x | low7);
        return static_cast<int>(((high >> 7) * ones) >> 56);
    };
    std::size_t count = 0, i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + i, 8);
        count += static_cast<std::size_t>(zeroBytes(word ^ ('\n' * ones)) +
                                          zeroBytes(word ^ (',' * ones)));
    }
    for (; i < size; ++i) {
        count += (bytes[i] == '\n' || bytes[i] == ',') ? 1 : 0;
    }
    return count;
}

// Reads the list into slots 1..wordCount. Returns whether an entry after the
// first is non-empty, i.e. whether a word can be drawn at all.
bool readWordList(Program& program, const std::string& fileName) {
    WordList& words = program.words;
    // A file that cannot be read now reads as empty, as a failed open does.
    std::string text = readListText(fileName).value_or(platform::DecodedText{}).text;
    words.wordCount = readListEntries(std::move(text), words.wordList);
    for (int i = 2; i <= words.wordCount; ++i) {
        if (!words.wordList[static_cast<std::size_t>(i)].empty()) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<platform::DecodedText> readListText(const std::string& fileName) {
    std::optional<std::string> bytes = platform::readWholeFile(fileName);
    if (!bytes) {
        return std::nullopt;
    }
    return platform::decodeText(std::move(*bytes));
}

int readListEntries(std::string text, std::vector<std::string>& slots,
                    std::vector<long long>* starts, bool* cut) {
    // Room for an upper bound of the entries, from the line ends and commas,
    // so that the storage is made once instead of growing in steps.
    const std::size_t bound = 1 + countSeparators(text.data(), text.size());
    slots.reserve(std::min(bound, static_cast<std::size_t>(maxWordSlots)) + 1);
    if (slots.empty()) {
        slots.resize(1); // slot 0, never used
    }
    platform::TextFile file;
    file.openInputBytes(std::move(text));
    int count = 1;
    for (;;) {
        if (starts != nullptr) {
            starts->push_back(file.position());
        }
        std::string entry = file.readTextItem();
        if (count >= static_cast<int>(slots.size())) {
            slots.push_back(std::move(entry));
        } else {
            slots[static_cast<std::size_t>(count)] = std::move(entry);
        }
        if (file.atEnd()) {
            break;
        }
        if (count == maxWordSlots) {
            // Entries beyond the last slot are dropped.
            if (cut != nullptr) {
                *cut = true;
            }
            break;
        }
        ++count;
    }
    return count;
}

void chooseWord(Program& program) {
    WordList& words = program.words;
    WordState& word = program.word;
    for (;;) {
        if (words.wordListLoaded == 0) {
            const std::string fileName = wordListFileName(program.options.category);
            if (!platform::fileExists(fileName)) {
                endWithMessage(program, "Die Datei ''" + fileName + "'' ist nicht vorhanden!");
                return;
            }
            if (!readWordList(program, fileName)) {
                // Drawing from such a list would never end.
                endWithMessage(program, "Die Datei ''" + fileName +
                                            "'' enth\xE4lt keine spielbaren W\xF6rter!");
                return;
            }
        }
        const int index = platform::randomWordIndex(program.random, words.wordCount);
        word.currentWord = words.wordList[index];
        words.wordListLoaded = 1;
        word.wordLength = static_cast<int>(word.currentWord.size());
        if (word.wordLength != 0) {
            break;
        }
    }
    word.wordLeft = 472 - 8 * word.wordLength; // the row centred on x = 472
}

} // namespace schlingo
