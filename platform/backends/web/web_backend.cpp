// The browser back end. There is no presenter thread: the page's events are
// handled by JavaScript while the game's WebAssembly waits in an await
// (Asyncify), and they reach the input through schlingo_event below, the
// door. The page itself (the canvas, the start form, the dialogs, the files)
// lives in page/; every call here goes through its `SchlingoPage` object
// (page/face.js).
//
// A window that cannot be made: the page's canvas gives no 2D context. A test
// makes that happen by replacing HTMLCanvasElement.prototype.getContext with
// one that returns null before the page's script runs.
#include "platform/machine/display.hpp"
#include "platform/machine/shown_frame.hpp"
#include "platform/machine/text_codec.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/host.hpp"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The page's side of every call. Strings are UTF-8.
// clang-format off
EM_JS(int, pageOpenWindow, (int width, int height, const char* title), {
    return SchlingoPage.openWindow(width, height, UTF8ToString(title)) ? 1 : 0;
});
EM_JS(void, pageSetTitle, (const char* title), {
    SchlingoPage.setTitle(UTF8ToString(title));
});
EM_JS(int, pageHasFocus, (), {
    return SchlingoPage.gameActive() ? 1 : 0;
});
EM_JS(void, pagePaint, (const std::uint8_t* rgba, int width, int firstRow, int rows), {
    SchlingoPage.paint(HEAPU8.subarray(rgba, rgba + width * rows * 4), width, firstRow, rows);
});
// Seconds since the page's time origin, which differs from load to load: a
// counter from 0 at every load would seed the same words every time.
EM_JS(double, pageSeconds, (), {
    return (performance.timeOrigin + performance.now()) / 1000;
});
EM_JS(void, pageAnnounce, (const char* text, const char* board), {
    SchlingoPage.announce(UTF8ToString(text), UTF8ToString(board));
});
// Yields to the page's event loop, then waits up to ms (-1: no limit) for an
// event if none came meanwhile.
EM_ASYNC_JS(void, pageAwaitEvents, (double ms), {
    await SchlingoPage.awaitEvents(ms);
});
// Every box is modal to the whole page, so which window owns it changes
// nothing there.
EM_ASYNC_JS(int, pageMessage, (const char* text, const char* title, int question,
                               int yesNoCancel), {
    return await SchlingoPage.message(UTF8ToString(text), UTF8ToString(title), question !== 0,
                                      yesNoCancel !== 0);
});
EM_JS(void, pageOpenForm, (const char* title, int width, int height, const char* controls), {
    SchlingoPage.openForm(UTF8ToString(title), width, height, UTF8ToString(controls));
});
EM_ASYNC_JS(int, pageFormClick, (), {
    return await SchlingoPage.nextFormClick();
});
EM_JS(void, pageCloseForm, (), {
    SchlingoPage.closeForm();
});
EM_ASYNC_JS(void, pageEnd, (int code), {
    await SchlingoPage.end(code);
});
// clang-format on

} // namespace

namespace schlingo::platform {

namespace {

// The one Display of the run, for the exported event functions.
Display* current = nullptr;

// One control a line: kind, x, y, width, height, starts a group, checked,
// caption; fields apart by tabs (no caption holds one).
std::string describeControls(const StartWindow& window) {
    std::string text;
    const auto& controls = window.controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& c = controls[i];
        text += std::to_string(static_cast<int>(c.kind)) + '\t' + std::to_string(c.x) + '\t' +
                std::to_string(c.y) + '\t' + std::to_string(c.width) + '\t' +
                std::to_string(c.height) + '\t' + (c.startsGroup ? "1" : "0") + '\t' +
                (window.initiallyChecked(static_cast<int>(i)) ? "1" : "0") + '\t' +
                cp1252ToUtf8(c.caption) + '\n';
    }
    return text;
}

class WebBackend final : public Backend {
public:
    void attach(Display& display) override {
        display_ = &display;
        current = &display;
    }
    void detach() override {
        current = nullptr;
        display_ = nullptr;
    }

    std::string openWindow(int width, int height, const std::string& title) override {
        shown_.reset(0, 0, 0); // the new canvas gets every row, not what the old one showed
        open_ = pageOpenWindow(width, height, cp1252ToUtf8(title).c_str()) != 0;
        if (!open_)
            return "der Browser gibt keine 2D-Zeichenfl\xe4"
                   "che her";
        const InputEvent focus = InputEvent::focus(pageHasFocus() != 0);
        if (display_ != nullptr)
            display_->deliver({&focus, 1});
        return {};
    }
    void setWindowTitle(const std::string& title) override {
        if (open_)
            pageSetTitle(cp1252ToUtf8(title).c_str());
    }
    std::uintptr_t windowHandle() override { return open_ ? 1 : 0; }
    void setProgramIcon() override {} // the page's icon is the program's

    // The page's handlers deliver, and run only while the game waits here.
    bool deliversOnItsOwn() const override { return false; }
    void pumpEvents(std::uint64_t, double deadline) override {
        present();
        pageAwaitEvents(deadline == noDeadline ? -1.0
                                               : std::max(0.0, (deadline - pageSeconds()) * 1000));
    }
    // The rows are shown when the game next waits: one paint per pass.
    void wakePresenter() override { woken_ = true; }
    double timerSeconds() override { return pageSeconds(); }
    LocalTime localTime() override { return host::localTimeNow(); }

    // Said when the game next waits, after the picture: the key's pixels
    // reach the canvas first.
    void announce(const Announcement& announcement) override {
        if (!spoken_.empty())
            spoken_ += '\n';
        spoken_ += announcement.text;
        board_ = announcement.board;
        announced_ = true;
    }

    MessageAnswer showMessage(const MessageBox& box) override {
        present();
        const bool question = box.buttons == MessageBox::Buttons::YesNoCancel;
        const int answer = pageMessage(
            cp1252MessageToUtf8(box.text).c_str(), cp1252MessageToUtf8(box.title).c_str(),
            box.icon == MessageBox::Icon::Question ? 1 : 0, question ? 1 : 0);
        switch (answer) {
        case 1:
            return MessageAnswer::Yes;
        case 2:
            return MessageAnswer::No;
        case 3:
            return MessageAnswer::Cancel;
        default:
            return question ? MessageAnswer::Cancel : MessageAnswer::Ok;
        }
    }

    void runStartWindow(StartWindow& window) override {
        present();
        pageOpenForm(cp1252MessageToUtf8(window.title()).c_str(), window.outerWidth(),
                     window.outerHeight(), describeControls(window).c_str());
        for (;;) {
            // index x 2 + checked; -1 for the form's close box.
            const int click = pageFormClick();
            if (click < 0)
                break;
            if (window.clicked(click / 2, (click & 1) != 0) == StartWindow::Reply::Destroy)
                break;
        }
        pageCloseForm();
    }

    [[noreturn]] void exitProcess(int code) override {
        present();
        pageEnd(code); // the page's work folder is saved, its end shown; never returns
        std::abort();
    }

private:
    // Shows what the game drew and then says what it announced.
    void present() {
        paint();
        if (announced_) {
            announced_ = false;
            pageAnnounce(cp1252ToUtf8(spoken_).c_str(), board_.c_str());
            spoken_.clear();
        }
    }

    // Copies the rows the canvas does not show yet to it.
    void paint() {
        if (!woken_ || display_ == nullptr)
            return;
        woken_ = false;
        ShownFrame::Rows rows;
        {
            std::lock_guard guard(display_->lock);
            rows = shown_.update(display_->screen, false);
        }
        if (rows.empty())
            return;
        const int width = shown_.width();
        const std::size_t count =
            static_cast<std::size_t>(rows.count) * static_cast<std::size_t>(width);
        rgba_.resize(count * 4);
        const Pixel* from = shown_.row(rows.first);
        std::uint8_t* to = rgba_.data();
        for (std::size_t i = 0; i < count; ++i, to += 4) {
            const Pixel p = from[i];
            to[0] = static_cast<std::uint8_t>(p >> 16);
            to[1] = static_cast<std::uint8_t>(p >> 8);
            to[2] = static_cast<std::uint8_t>(p);
            to[3] = 255; // the window shows red, green and blue only
        }
        pagePaint(rgba_.data(), width, rows.first, rows.count);
    }

    Display* display_ = nullptr;
    bool open_ = false;
    bool woken_ = false;
    ShownFrame shown_;               // the frame as the canvas shows it
    std::vector<std::uint8_t> rgba_; // rows of shown_ on their way to the canvas
    bool announced_ = false;
    std::string spoken_; // Windows-1252, the texts since the last wait
    std::string board_;
};

} // namespace

std::unique_ptr<Backend> makeBackend() {
    return std::make_unique<WebBackend>();
}

} // namespace schlingo::platform

extern "C" {

// The door of the page: one event, InputEvent's fields; flags 1: down, inside
// or gained, 2: extended or Shift, 4: Ctrl, 8: from a touch screen. Runs while
// the game waits, so Display::lock is free unless the game waits inside
// lockScreen; then it answers 0 and the page hands the event over again.
EMSCRIPTEN_KEEPALIVE int schlingo_event(int kind, int code, int x, int y, int flags) {
    using schlingo::platform::InputEvent;
    if (schlingo::platform::current == nullptr)
        return 0;
    if (kind < 0 || kind > static_cast<int>(InputEvent::Kind::Focus))
        return 1;
    InputEvent e{static_cast<InputEvent::Kind>(kind), code, x, y};
    e.down = e.inside = (flags & 1) != 0;
    e.extended = e.shift = (flags & 2) != 0;
    e.ctrl = (flags & 4) != 0;
    e.touch = (flags & 8) != 0;
    return schlingo::platform::current->deliver({&e, 1}, false) ? 1 : 0;
}

} // extern "C"
