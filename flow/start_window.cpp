#include "flow/start_window.hpp"

#include "platform/machine/random.hpp"
#include "schlingo_version.hpp"
#include "state/program.hpp"

namespace schlingo {

namespace {

using platform::StartWindow;
using Kind = StartWindow::Kind;

// Creation order matters: a radio group runs from one group box to the next.
enum ControlIndex {
    wordFileBox,
    generalWords,
    cities,
    countries,
    professions,
    randomPick,
    specialLettersBox,
    blindModeBox,
    optionsBox,
    normalMode,
    kamikaze,
    selbstmord,
    playButton,
    infoButton,
    quitButton,
    controlCount
};

} // namespace

const std::vector<StartWindow::Control>& startWindowControls() {
    static const std::vector<StartWindow::Control> table = {
        {Kind::GroupBox, "W\xF6rterdatei?", 10, 60, 208, 127, true},
        {Kind::RadioButton, "allgemeine W\xF6rter", 15, 80, 195, 20, false},
        {Kind::RadioButton,
         "St\xE4"
         "dte",
         15, 100, 195, 20, false},
        {Kind::RadioButton, "L\xE4nder/Staaten der Erde", 15, 120, 195, 20, false},
        {Kind::RadioButton, "Berufe", 15, 140, 195, 20, false},
        {Kind::RadioButton, "Zufall", 15, 160, 195, 20, false},
        {Kind::CheckBox, "Sonderzeichen", 260, 80, 137, 20, false},
        {Kind::CheckBox, "Blindmodus", 260, 100, 137, 20, false},
        {Kind::GroupBox, "Optionen", 250, 60, 152, 128, true},
        {Kind::RadioButton, "Normalmodus", 260, 120, 137, 20, false},
        {Kind::RadioButton, "Kamikazemodus", 260, 140, 137, 20, false},
        {Kind::RadioButton, "Selbstmordmodus", 260, 160, 137, 20, false},
        {Kind::PushButton, "Schlingo spielen", 54, 10, 295, 22, false},
        {Kind::PushButton, "Info", 325, 205, 70, 22, false},
        {Kind::PushButton, "Beenden", 5, 205, 170, 22, false},
    };
    return table;
}

namespace {

void chooseCategory(Options& options, WordList& words, int category, int maxTries) {
    options.category = category;
    options.randomCategory = 0;
    options.maxTries = maxTries;
    words.wordListLoaded = 0;
}

} // namespace

const char* const infoText =
    "Schlingo " SCHLINGO_VERSION "\r\n\r\n"
    "Galgenm\xE4nnchen einmal anders: Hier h\xE4ngt der Rechner!\r\n\r\n"
    "Raten Sie das Wort Buchstabe f\xFCr Buchstabe, mit der Tastatur oder per Mausklick auf "
    "die Buchstabentafel.\r\n"
    "Vor dem ersten Buchstaben wechseln Strg+1, Strg+2 und Strg+3 den Modus (Normal, "
    "Kamikaze, Selbstmord).\r\n"
    "Esc beendet das Programm.";

StartWindowLogic::StartWindowLogic(Program& program) : program_(program) {}

std::string StartWindowLogic::title() const {
    return "Schlingo";
}
int StartWindowLogic::outerWidth() const {
    return 410;
}
int StartWindowLogic::outerHeight() const {
    return 270;
}

const std::vector<StartWindow::Control>& StartWindowLogic::controls() const {
    return startWindowControls();
}

bool StartWindowLogic::initiallyChecked(int index) const {
    const Options& o = program_.options;
    const bool fixedCategory = o.randomCategory == 0;
    switch (index) {
    case generalWords:
        return fixedCategory && (o.category < 2 || o.category > 4);
    case cities:
        return fixedCategory && o.category == 2;
    case countries:
        return fixedCategory && o.category == 3;
    case professions:
        return fixedCategory && o.category == 4;
    case randomPick:
        return o.randomCategory == 1;
    case specialLettersBox:
        return o.specialLetters == 1;
    case blindModeBox:
        return o.blindMode == 1;
    case normalMode:
        return o.kamikazeMode == 0 && o.selbstmordMode == 0;
    case kamikaze:
        return o.kamikazeMode == 1 && o.selbstmordMode == 0;
    case selbstmord:
        return o.selbstmordMode == 1 && o.kamikazeMode == 0;
    default:
        return false;
    }
}

StartWindow::Reply StartWindowLogic::clicked(int index, bool nowChecked) {
    Options& o = program_.options;
    switch (index) {
    case generalWords:
        chooseCategory(o, program_.words, 1, 11);
        break;
    case cities:
        chooseCategory(o, program_.words, 2, 9);
        break;
    case countries:
        chooseCategory(o, program_.words, 3, 6);
        break;
    case professions:
        chooseCategory(o, program_.words, 4, 8);
        break;
    case randomPick:
        // The list stays as loaded: in random mode it is cleared before every word.
        o.category = platform::randomCategory(program_.random);
        o.randomCategory = 1;
        o.maxTries = 8;
        break;
    case specialLettersBox:
        o.specialLetters = nowChecked ? 1 : 0;
        break;
    case blindModeBox:
        o.blindMode = nowChecked ? 1 : 0;
        break;
    case normalMode:
        o.kamikazeMode = 0;
        o.selbstmordMode = 0;
        break;
    case kamikaze:
        o.kamikazeMode = 1;
        o.selbstmordMode = 0;
        break;
    case selbstmord:
        o.kamikazeMode = 0;
        o.selbstmordMode = 1;
        break;
    case playButton:
        return Reply::Destroy;
    case infoButton: {
        platform::MessageBox box;
        box.text = infoText;
        box.owner = platform::MessageBox::Owner::StartWindow;
        box.systemModal = false;
        program_.backend.showMessage(box);
        break;
    }
    case quitButton: {
        platform::MessageBox box;
        box.text = "Wirklich beenden?";
        box.icon = platform::MessageBox::Icon::Question;
        box.buttons = platform::MessageBox::Buttons::YesNoCancel;
        box.owner = platform::MessageBox::Owner::StartWindow;
        box.systemModal = false;
        if (program_.backend.showMessage(box) == platform::MessageAnswer::Yes)
            program_.backend.exitProcess(0);
        break;
    }
    default:
        break;
    }
    return Reply::KeepOpen;
}

} // namespace schlingo
