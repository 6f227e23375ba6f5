#include "rules/word_choice.hpp"

#include "platform/machine/random.hpp"
#include "platform/machine/text_encoding.hpp"
#include "platform/machine/text_file.hpp"
#include "state/program.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
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

// Reads the list into slots 1..wordCount. Returns why it cannot be played,
// or nothing when an entry after the first is non-empty.
std::optional<std::string> readWordList(Program& program, const std::string& fileName) {
    WordList& words = program.words;
    const std::string named = "Die Datei ''" + fileName + "'' ";
    try {
        ListText list = readListText(fileName);
        switch (list.status) {
        case ListText::Status::TooLarge:
            return named + "ist zu gro\xDF f\xFCr das Spiel!";
        case ListText::Status::Unreadable:
            return named + "l\xE4sst sich nicht lesen!";
        case ListText::Status::Unopenable: // reads as empty, as a failed open does
        case ListText::Status::Read:
            break;
        }
        words.wordCount = readListEntries(std::move(list.decoded.text), words.wordList);
    } catch (const std::bad_alloc&) {
        // What was read goes, so that the message box finds memory.
        std::vector<std::string>().swap(words.wordList);
        words.wordCount = 0;
        return named + "l\xE4sst sich nicht lesen!";
    }
    for (int i = 2; i <= words.wordCount; ++i) {
        if (!words.wordList[static_cast<std::size_t>(i)].empty()) {
            return std::nullopt;
        }
    }
    // Drawing from such a list would never end.
    return named + "enth\xE4lt keine spielbaren W\xF6rter!";
}

} // namespace

ListText readListText(const std::string& fileName) {
    try {
        return listText(platform::readFileUpTo(fileName, maxListBytes));
    } catch (const std::bad_alloc&) {
        ListText list;
        list.status = ListText::Status::Unreadable;
        return list;
    }
}

ListText listText(platform::FileBytes file) {
    ListText list;
    try {
        switch (file.status) {
        case platform::FileBytes::Status::Unopenable:
            return list;
        case platform::FileBytes::Status::TooLarge:
            list.status = ListText::Status::TooLarge;
            return list;
        case platform::FileBytes::Status::Failed:
            list.status = ListText::Status::Unreadable;
            return list;
        case platform::FileBytes::Status::Read:
            break;
        }
        list.decoded = platform::decodeText(std::move(file.bytes));
        list.status = ListText::Status::Read;
    } catch (const std::bad_alloc&) {
        list = ListText{};
        list.status = ListText::Status::Unreadable;
    }
    return list;
}

ListEntryReader::ListEntryReader(std::string text, std::vector<std::string>& slots,
                                 std::vector<long long>* starts)
    : slots_(slots), starts_(starts) {
    // Room for an upper bound of the entries, from the line ends and commas,
    // so that the storage is made once instead of growing in steps.
    const std::size_t bound = 1 + countSeparators(text.data(), text.size());
    slots.reserve(std::min(bound, static_cast<std::size_t>(maxWordSlots)) + 1);
    if (slots.empty()) {
        slots.resize(1); // slot 0, never used
    }
    file_.openInputBytes(std::move(text));
}

bool ListEntryReader::read(std::size_t entries) {
    for (; !done_ && entries > 0; --entries) {
        ++count_;
        if (starts_ != nullptr) {
            starts_->push_back(file_.position());
        }
        std::string entry = file_.readTextItem();
        if (count_ >= static_cast<int>(slots_.size())) {
            slots_.push_back(std::move(entry));
        } else {
            slots_[static_cast<std::size_t>(count_)] = std::move(entry);
        }
        if (file_.atEnd()) {
            done_ = true;
        } else if (count_ == maxWordSlots) {
            done_ = cut_ = true; // entries beyond the last slot are dropped
        }
    }
    if (done_) {
        file_.closeFile();
    }
    return done_;
}

int readListEntries(std::string text, std::vector<std::string>& slots,
                    std::vector<long long>* starts, bool* cut) {
    ListEntryReader reader(std::move(text), slots, starts);
    reader.read(static_cast<std::size_t>(maxWordSlots));
    if (cut != nullptr && reader.cut()) {
        *cut = true;
    }
    return reader.count();
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
            if (const auto trouble = readWordList(program, fileName)) {
                endWithMessage(program, *trouble);
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
