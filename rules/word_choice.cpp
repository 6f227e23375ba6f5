#include "rules/word_choice.hpp"

#include "flow/program.hpp"
#include "platform/random.hpp"
#include "platform/text_file.hpp"

#include <utility>

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

// Reads the list into slots 1..wordCount. Returns whether an entry after the
// first is non-empty, i.e. whether a word can be drawn at all.
bool readWordList(Program& program, const std::string& fileName) {
    WordList& words = program.words;
    platform::TextFile file;
    file.openInput(fileName);
    if (words.wordList.empty()) {
        words.wordList.resize(1); // slot 0, never used
    }
    bool choosable = false;
    int count = 1;
    for (;;) {
        std::string entry = file.readTextItem();
        if (count >= static_cast<int>(words.wordList.size())) {
            words.wordList.push_back(std::move(entry));
        } else {
            words.wordList[count] = std::move(entry);
        }
        if (count >= 2 && !words.wordList[count].empty()) {
            choosable = true;
        }
        if (file.atEnd()) {
            break;
        }
        if (count == maxWordSlots) {
            // Entries beyond the last slot are read past and dropped.
            while (!file.atEnd()) {
                file.readTextItem();
            }
            break;
        }
        ++count;
    }
    file.closeFile();
    words.wordCount = count;
    return choosable;
}

} // namespace

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
