#pragma once
// The start window's logic: its fifteen controls, their initial check states
// from the options, and what a click does. The back end builds the native
// window from this description.

#include "platform/seam/backend.hpp"

#include <string>
#include <vector>

namespace schlingo {
struct Program;

class StartWindowLogic final : public platform::StartWindow {
public:
    explicit StartWindowLogic(Program& program);

    std::string title() const override;
    int outerWidth() const override;
    int outerHeight() const override;
    const std::vector<Control>& controls() const override;
    bool initiallyChecked(int index) const override;
    Reply clicked(int index, bool nowChecked) override;

private:
    Program& program_;
};

// The fifteen controls in creation order (the same for every window).
const std::vector<platform::StartWindow::Control>& startWindowControls();

// The text of the "Info" box (Windows-1252, "\r\n" line breaks).
extern const char* const infoText;

} // namespace schlingo
