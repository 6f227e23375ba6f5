#include "state/program.hpp"

namespace schlingo {

void showGameMessage(Program& program, const std::string& text) {
    platform::MessageBox box;
    box.text = text;
    box.title = "Schlingo";
    box.icon = platform::MessageBox::Icon::Information;
    box.buttons = platform::MessageBox::Buttons::Ok;
    box.owner = platform::MessageBox::Owner::None;
    box.systemModal = true;
    program.backend.showMessage(box);
}

} // namespace schlingo
