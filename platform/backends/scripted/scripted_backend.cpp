#include "platform/backends/scripted/scripted_backend.hpp"

#include <cstdio>
#include <mutex>
#include <utility>

namespace schlingo::platform {

namespace {
// Which check boxes a click flips and which radio buttons it unchecks, as
// automatic controls of a desktop would.
int groupOf(const std::vector<StartWindow::Control>& controls, int index) {
    int group = 0;
    for (int i = 0; i <= index; ++i) {
        if (controls[i].startsGroup) {
            group = i;
        }
    }
    return group;
}
} // namespace

ScriptedBackend& ScriptedBackend::pass(std::vector<InputEvent> events) {
    passes_.push_back(std::move(events));
    return *this;
}

ScriptedBackend& ScriptedBackend::idle(int passes) {
    for (int i = 0; i < passes; ++i) {
        passes_.emplace_back();
    }
    return *this;
}

ScriptedBackend& ScriptedBackend::idleUntilTheEnd() {
    idleAtTheEnd_ = true;
    return *this;
}

ScriptedBackend& ScriptedBackend::press(int scanCode) {
    pass({InputEvent::key(scanCode, true)});
    return pass({InputEvent::key(scanCode, false)});
}

ScriptedBackend& ScriptedBackend::pressTogether(std::vector<int> scanCodes) {
    std::vector<InputEvent> down, up;
    for (int code : scanCodes) {
        down.push_back(InputEvent::key(code, true));
        up.push_back(InputEvent::key(code, false));
    }
    pass(std::move(down));
    return pass(std::move(up));
}

ScriptedBackend& ScriptedBackend::tap(int scanCode) {
    return pass({InputEvent::key(scanCode, true), InputEvent::key(scanCode, false)});
}

ScriptedBackend& ScriptedBackend::typeKey(std::uint32_t codePoint) {
    return pass({InputEvent::typed(static_cast<char32_t>(codePoint))});
}

ScriptedBackend& ScriptedBackend::close() {
    return pass({InputEvent::close()});
}

ScriptedBackend& ScriptedBackend::moveTo(int x, int y) {
    return pass({InputEvent::pointer(x, y, true)});
}

ScriptedBackend& ScriptedBackend::click(int x, int y, int passes) {
    pass({InputEvent::pointer(x, y, true), InputEvent::button(0, true)});
    idle(passes > 1 ? passes - 1 : 0);
    return pass({InputEvent::button(0, false)});
}

ScriptedBackend& ScriptedBackend::touch(int x, int y, int passes) {
    pass({InputEvent::pointer(x, y, true), InputEvent::button(0, true, true)});
    idle(passes > 1 ? passes - 1 : 0);
    return pass({InputEvent::button(0, false)});
}

ScriptedBackend& ScriptedBackend::failWindow(std::string reason) {
    windowFailure_ = std::move(reason);
    return *this;
}

ScriptedBackend& ScriptedBackend::startWindow(StartWindowScript session) {
    startWindowScripts_.push_back(std::move(session));
    return *this;
}

ScriptedBackend& ScriptedBackend::answer(MessageAnswer next) {
    answers_.push_back(next);
    return *this;
}

std::vector<std::string> ScriptedBackend::messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& record : messages_) {
        texts.push_back(record.box.text);
    }
    return texts;
}

bool ScriptedBackend::dumpFrame(const std::string& path) const {
    if (display_ == nullptr || !display_->screen.isOpen()) {
        return false;
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const Screen& screen = display_->screen;
    std::fprintf(out, "P6\n%d %d\n255\n", screen.presentWidth(), screen.presentHeight());
    const Pixel* pixels = screen.pixels();
    const long long count = 1LL * screen.presentWidth() * screen.presentHeight();
    for (long long i = 0; i < count; ++i) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(pixels[i] >> 16),
                                      static_cast<unsigned char>(pixels[i] >> 8),
                                      static_cast<unsigned char>(pixels[i])};
        std::fwrite(rgb, 1, 3, out);
    }
    return std::fclose(out) == 0;
}

std::string ScriptedBackend::openWindow(int width, int height, const std::string& title) {
    if (!windowFailure_.empty()) {
        handle_ = 0;
        return std::exchange(windowFailure_, std::string());
    }
    bool presentable = false;
    if (display_ != nullptr) {
        std::lock_guard<std::mutex> guard(display_->lock);
        presentable = display_->screen.presentable();
    }
    windows_.push_back({width, height, title, presentable});
    title_ = title;
    handle_ = nextHandle_++;
    // A new window comes to the foreground: its activation arrives with the
    // next presenter pass, as it would from a desktop.
    passes_.push_front({InputEvent::focus(true)});
    return {};
}

void ScriptedBackend::setWindowTitle(const std::string& title) {
    if (handle_ != 0) {
        title_ = title;
    }
}

void ScriptedBackend::pumpEvents(std::uint64_t since, double deadline) {
    if (passes_.empty() && !idleAtTheEnd_) {
        throw ScriptExhausted("the program waited for input after the script ended");
    }
    present();
    if (!passes_.empty()) {
        const std::vector<InputEvent> events = std::move(passes_.front());
        passes_.pop_front();
        play(events);
    } else if (deadline == noDeadline && display_ != nullptr) {
        display_->door.sleepUntilDelivered(since, deadline); // another thread plays
    } else {
        play({});
    }
    // The wait lasted until its deadline.
    timer_ = deadline != noDeadline && deadline > timer_ ? deadline : timer_;
}

void ScriptedBackend::present() {
    if (display_ == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(display_->lock);
    if (display_->screen.isOpen()) {
        const PresentSpan span = display_->screen.takeRowsToPresent();
        if (!span.empty()) {
            rowsPresented_ += span.lastRow - span.firstRow + 1;
        }
    }
}

void ScriptedBackend::play(const std::vector<InputEvent>& events) {
    ++presenterPasses_;
    if (display_ != nullptr) {
        display_->deliver(events);
    }
}

MessageAnswer ScriptedBackend::showMessage(const MessageBox& box) {
    MessageAnswer reply = MessageAnswer::Ok;
    if (!answers_.empty()) {
        reply = answers_.front();
        answers_.pop_front();
    } else if (box.buttons != MessageBox::Buttons::Ok) {
        messages_.push_back({box, MessageAnswer::Cancel});
        throw ScriptExhausted("no answer scripted for the question: " + box.text);
    }
    messages_.push_back({box, reply});
    return reply;
}

void ScriptedBackend::runStartWindow(StartWindow& window) {
    StartWindowRecord record;
    record.title = window.title();
    record.outerWidth = window.outerWidth();
    record.outerHeight = window.outerHeight();
    record.controls = window.controls();
    for (std::size_t i = 0; i < record.controls.size(); ++i) {
        record.initiallyChecked.push_back(window.initiallyChecked(static_cast<int>(i)));
    }
    record.finallyChecked = record.initiallyChecked;
    startWindows_.push_back(record);
    if (startWindowScripts_.empty()) {
        throw ScriptExhausted("a start window opened after the script ended");
    }
    const StartWindowScript session = std::move(startWindowScripts_.front());
    startWindowScripts_.pop_front();

    const auto& controls = startWindows_.back().controls;
    for (int index : session.clicks) {
        auto& checked = startWindows_.back().finallyChecked;
        if (index < 0 || index >= static_cast<int>(controls.size())) {
            throw ScriptExhausted("the script clicks a control the start window lacks");
        }
        switch (controls[index].kind) {
        case StartWindow::Kind::RadioButton: {
            const int group = groupOf(controls, index);
            for (std::size_t i = 0; i < controls.size(); ++i) {
                if (controls[i].kind == StartWindow::Kind::RadioButton &&
                    groupOf(controls, static_cast<int>(i)) == group) {
                    checked[i] = false;
                }
            }
            checked[index] = true;
            break;
        }
        case StartWindow::Kind::CheckBox:
            checked[index] = !checked[index];
            break;
        default:
            break;
        }
        // clicked() may end the process (Beenden + Ja): the record above is
        // complete before that happens.
        if (window.clicked(index, checked[index]) == StartWindow::Reply::Destroy) {
            return;
        }
    }
    // The close box: the window is destroyed like by the play button.
}

void ScriptedBackend::exitProcess(int code) {
    exitCode_ = code;
    throw ScriptedExit{code};
}

} // namespace schlingo::platform
