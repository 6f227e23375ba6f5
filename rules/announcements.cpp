#include "rules/announcements.hpp"

#include "gamefiles/highscores.hpp"
#include "platform/machine/text_file.hpp"
#include "presentation/word_screen.hpp"
#include "rules/guessing_loop.hpp"
#include "state/letters.hpp"
#include "state/program.hpp"

#include <string>

namespace schlingo {

namespace {

using platform::numberText;

// A character of the word row as a screen reader should say it; 0 is the dash.
std::string spoken(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') {
        return std::string(1, static_cast<char>(u - 'a' + 'A'));
    }
    switch (u) {
    case 0:
        return "L\xFC"
               "cke";
    case 0xE4:
        return "\xC4";
    case 0xF6:
        return "\xD6";
    case 0xFC:
        return "\xDC";
    case 0xF1:
        return "\xD1";
    case ' ':
        return "Leerzeichen";
    case '-':
        return "Bindestrich";
    case '&':
        return "Und-Zeichen";
    case '?':
        return "Fragezeichen";
    case '\'':
        return "Apostroph";
    case '.':
        return "Punkt";
    case '(':
        return "Klammer auf";
    case ')':
        return "Klammer zu";
    case '/':
        return "Schr\xE4gstrich";
    default:
        return std::string(1, c); // digits, and ß, which has no capital here
    }
}

// Up to this many equal fields in a row are said one by one, as in nearly
// every word of the game's lists; a longer run, which no listener could
// count by ear, is said by its count.
constexpr int longestSpokenRun = 12;

std::string wordRow(const Program& program) {
    std::string text;
    const int length = program.word.wordLength;
    for (int i = 0; i < length;) {
        const char c = shownCharacter(program, i);
        int run = 1;
        while (i + run < length && shownCharacter(program, i + run) == c) {
            ++run;
        }
        if (!text.empty()) {
            text += ", ";
        }
        if (run > longestSpokenRun) {
            text += numberText(run) + (c == 0 ? std::string(" L\xFC"
                                                            "cken")
                                              : "-mal " + spoken(c));
            i += run;
            continue;
        }
        text += spoken(c);
        ++i;
    }
    return text;
}

std::string triesText(int tries) {
    if (tries < 1) {
        return "Kein Versuch mehr.";
    }
    return "Noch " + numberText(tries) + (tries == 1 ? " Versuch." : " Versuche.");
}

bool inPlay(const Program& program, int letterIndex) {
    return letterIndex <= 26 || program.options.specialLetters == 1;
}

// Used letters show on the board unless "Blindmodus" is on.
bool shownUsed(const Program& program, int letterIndex) {
    return program.options.blindMode != 1 && program.word.letterUsed[letterIndex] == 1;
}

std::string board(const Program& program) {
    std::string fields;
    for (int i = 1; i <= letterCount; ++i) {
        fields += !inPlay(program, i) ? ' ' : (shownUsed(program, i) ? '1' : '0');
    }
    return fields;
}

void say(Program& program, std::string text, std::string boardFields) {
    program.backend.announce({std::move(text), std::move(boardFields)});
}

} // namespace

void announceWordStart(Program& program) {
    const WordState& word = program.word;
    const GameState& game = program.game;
    say(program,
        "Neues Wort mit " + numberText(word.wordLength) + " Zeichen: " + wordRow(program) + ".\n" +
            triesText(computeTriesLeft(program)) + "\nPunkte: " + numberText(game.points) +
            ", Spiele: " + numberText(game.gamesWon) + ", Rekord: " + numberText(record(program)) +
            ".",
        board(program));
}

void announceTurn(Program& program, std::span<const int> guessed, bool modeSwitched) {
    const WordState& word = program.word;
    const bool blind = program.options.blindMode == 1;
    std::string text;
    for (const int i : guessed) {
        text += spoken(letters[i].text[0]);
        if (blind) {
            text += " geraten. ";
        } else {
            text += word.letterMissed[i] == 1 ? ": nicht im Wort. " : ": Treffer. ";
        }
    }
    if (modeSwitched) {
        const Options& options = program.options;
        text += options.kamikazeMode == 1
                    ? "Modus: Kamikaze. "
                    : (options.selbstmordMode == 1 ? "Modus: Selbstmord. " : "Modus: Normal. ");
    }
    if (!text.empty()) {
        text.back() = '\n';
    }
    text += "Wort: " + wordRow(program) + ".\n" + triesText(computeTriesLeft(program));
    std::string used;
    for (int i = 1; i <= letterCount; ++i) {
        if (inPlay(program, i) && shownUsed(program, i)) {
            used += (used.empty() ? "" : ", ") + spoken(letters[i].text[0]);
        }
    }
    if (!used.empty()) {
        text += "\nGeraten: " + used + ".";
    }
    say(program, std::move(text), board(program));
}

void announceWordEnd(Program& program) {
    const WordState& word = program.word;
    const bool won = word.revealedCount == word.wordLength;
    const bool over = word.triesLeft < 1;
    std::string text;
    if (!won) {
        text = "Kein Versuch mehr: Das Wort ist nicht gel\xF6st. Das Spiel ist aus.";
    } else if (over) {
        text = "Das Wort ist gel\xF6st, doch es war kein Versuch mehr \xFC"
               "brig: Das Spiel ist aus.";
    } else {
        text = "Das Wort ist gel\xF6st.";
    }
    if (word.missCount > program.game.bonusTries + 10) {
        text += "\nDer Rechner h\xE4ngt am Galgen.";
    }
    say(program, std::move(text), board(program));
}

} // namespace schlingo
