// The desktop back end's message boxes, for the test script: shows a
// system-modal information box and two questions, printing each answer as
// "answer Ok|Yes|No|Cancel".

#include "platform/seam/backend.hpp"

#include <cstdio>

using namespace schlingo::platform;

namespace {

const char* name(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Ok:
        return "Ok";
    case MessageAnswer::Yes:
        return "Yes";
    case MessageAnswer::No:
        return "No";
    case MessageAnswer::Cancel:
        return "Cancel";
    }
    return "?";
}

void show(Backend& backend, const MessageBox& box) {
    std::printf("answer %s\n", name(backend.showMessage(box)));
    std::fflush(stdout);
}

} // namespace

int main() {
    auto backend = makeBackend();

    MessageBox info;
    info.text = "Gr\xFC\xDF"
                "e aus Schlingo!\r\nZweite Zeile";
    info.title = "Schlingo \xC4rger";
    show(*backend, info);

    MessageBox question;
    question.text = "Wollen Sie Schlingo wirklich beenden?";
    question.title = "Schlingo Frage";
    question.icon = MessageBox::Icon::Question;
    question.buttons = MessageBox::Buttons::YesNoCancel;
    question.systemModal = false;
    show(*backend, question);
    show(*backend, question);
    return 0;
}
