#include "gamefiles/statistics.hpp"

#include "platform/machine/text_file.hpp"
#include "state/program.hpp"

namespace schlingo {

void appendStatistics(Program& program, std::int32_t score, std::int32_t wordsWon) {
    const Options& options = program.options;
    std::string& label = program.statistics.categoryLabel;
    if (options.category < 2) {
        label = "allgemeine W\xF6rter";
    } else if (options.category == 2) {
        label = "St\xE4"
                "dte";
    } else if (options.category == 3) {
        label = "L\xE4nder/Staaten der Erde";
    } else if (options.category == 4) {
        label = "Berufe";
    } // any other category keeps the previous text
    if (options.randomCategory == 1) {
        label = "zuf\xE4llige W\xF6rter";
    }

    const char* mode = nullptr;
    if (options.kamikazeMode == 0 && options.selbstmordMode == 0) {
        mode = "Normalmodus";
    } else if (options.kamikazeMode == 1 && options.selbstmordMode == 0) {
        mode = "Kamikazemodus";
    } else if (options.kamikazeMode == 0 && options.selbstmordMode == 1) {
        mode = "Selbstmordmodus";
    }

    platform::TextFile file;
    file.openAppend("Statistik.txt");
    if (mode != nullptr) {
        using platform::FileEnding;
        // One clock reading for both fields, so a line written at midnight
        // never pairs one day's date with the next day's time.
        const platform::LocalTime now = program.backend.localTime();
        file.writeNumber(score, FileEnding::Zone);
        file.writeText("Anzahl der Spiele:", FileEnding::Zone);
        file.writeNumber(wordsWon, FileEnding::Zone);
        file.writeText(platform::dateText(now), FileEnding::Zone);
        file.writeText(platform::timeText(now), FileEnding::Zone);
        file.writeText(mode, FileEnding::Zone);
        file.writeText(options.blindMode == 1 ? "Blindmodus ein" : "Blindmodus aus",
                       FileEnding::Zone);
        file.writeText(label, FileEnding::LineEnd);
    }
    file.closeFile();
}

} // namespace schlingo
