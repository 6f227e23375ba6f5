// The browser back end. There is no presenter thread: the page's events are
// handled by JavaScript while the game's WebAssembly waits in an await
// (Asyncify), and they reach the input through the exported functions below.
// The page itself (the canvas, the start form, the dialogs, the files) lives
// in page/schlingo.js; every call here goes through its `SchlingoPage` object.
#include "platform/machine/text_codec.hpp"
#include "platform/seam/backend.hpp"
#include "platform/seam/display.hpp"
#include "platform/seam/host.hpp"

#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The page's side of every call. Strings are UTF-8.
// clang-format off
EM_JS(void, pageOpenWindow, (int width, int height, const char* title), {
    SchlingoPage.openWindow(width, height, UTF8ToString(title));
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
EM_ASYNC_JS(void, pageSleep, (int ms), {
    await SchlingoPage.sleep(ms);
});
EM_ASYNC_JS(void, pageAwaitEvent, (int ms), {
    await SchlingoPage.nextEvent(ms);
});
EM_ASYNC_JS(int, pageMessage, (const char* text, const char* title, int question, int yesNoCancel,
                               int ownedByForm), {
    return await SchlingoPage.message(UTF8ToString(text), UTF8ToString(title), question !== 0,
                                      yesNoCancel !== 0, ownedByForm !== 0);
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

    void openWindow(int width, int height, const std::string& title) override {
        open_ = true;
        rgba_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
        pageOpenWindow(width, height, cp1252ToUtf8(title).c_str());
        if (display_ != nullptr) {
            std::lock_guard guard(display_->lock);
            display_->input.setActive(pageHasFocus() != 0);
        }
    }
    void setWindowTitle(const std::string& title) override {
        if (open_)
            pageSetTitle(cp1252ToUtf8(title).c_str());
    }
    std::uintptr_t windowHandle() override { return open_ ? 1 : 0; }
    void setProgramIcon() override {} // the page's icon is the program's

    void sleepMilliseconds(int ms) override {
        present();
        if (ms > 0)
            pageSleep(ms);
    }
    void pollFromGameThread() override {}
    bool presenterFeedsInput() const override { return true; }
    bool awaitWindowEvent(int milliseconds) override {
        present();
        pageAwaitEvent(milliseconds);
        return true;
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
            box.icon == MessageBox::Icon::Question ? 1 : 0, question ? 1 : 0,
            box.owner == MessageBox::Owner::StartWindow ? 1 : 0);
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
        PresentSpan span;
        int width = 0;
        {
            std::lock_guard guard(display_->lock);
            Screen& screen = display_->screen;
            if (!screen.presentable())
                return;
            span = screen.takeRowsToPresent();
            if (span.empty())
                return;
            width = screen.presentWidth();
            const std::size_t need = static_cast<std::size_t>(width) *
                                     static_cast<std::size_t>(screen.presentHeight()) * 4;
            if (rgba_.size() < need)
                rgba_.assign(need, 0);
            const Pixel* from = screen.pixels() + static_cast<std::size_t>(span.firstRow) *
                                                      static_cast<std::size_t>(width);
            std::uint8_t* to = rgba_.data();
            const std::size_t count = static_cast<std::size_t>(span.lastRow - span.firstRow + 1) *
                                      static_cast<std::size_t>(width);
            for (std::size_t i = 0; i < count; ++i, to += 4) {
                const Pixel p = from[i];
                to[0] = static_cast<std::uint8_t>(p >> 16);
                to[1] = static_cast<std::uint8_t>(p >> 8);
                to[2] = static_cast<std::uint8_t>(p);
                to[3] = 255; // the window shows red, green and blue only
            }
        }
        pagePaint(rgba_.data(), width, span.firstRow, span.lastRow - span.firstRow + 1);
    }

    Display* display_ = nullptr;
    bool open_ = false;
    bool woken_ = false;
    std::vector<std::uint8_t> rgba_;
    bool announced_ = false;
    std::string spoken_; // Windows-1252, the texts since the last wait
    std::string board_;
};

// The page's events. Each runs while the game waits, so Display::lock is free
// unless the game waits inside lockScreen; then it answers 0 and the page
// hands the event over again at the next wait.
template <typename Feed> int feed(Feed f) {
    if (current == nullptr)
        return 0;
    std::unique_lock guard(current->lock, std::try_to_lock);
    if (!guard.owns_lock())
        return 0;
    f(current->input);
    return 1;
}

} // namespace

std::unique_ptr<Backend> makeDesktopBackend() {
    return std::make_unique<WebBackend>();
}

} // namespace schlingo::platform

using schlingo::platform::Input;

extern "C" {

// A physical key by its set-1 code; `extended` for the keys with the prefix.
EMSCRIPTEN_KEEPALIVE int schlingo_key(int scanCode, int down, int extended) {
    return schlingo::platform::feed([&](Input& input) {
        input.keyEvent(scanCode, down != 0, extended != 0);
        input.refreshKeyTable();
    });
}

// A typed character, by its code point: posted as its code page 437 byte; a
// character Windows-1252 lacks arrives as '?', as in an ANSI window.
EMSCRIPTEN_KEEPALIVE int schlingo_typed(int codePoint, int repeat) {
    using namespace schlingo::platform;
    const unsigned char ansi = codePointToCp1252(static_cast<char32_t>(codePoint)).value_or('?');
    const std::string oem = toOem(std::string(1, static_cast<char>(ansi)));
    const std::uint32_t code = oem.empty() ? oemReplacement : static_cast<unsigned char>(oem[0]);
    return feed([&](Input& input) { input.postKey(code, repeat); });
}

// A control character (below 32, or 127) as the key buffer holds it.
EMSCRIPTEN_KEEPALIVE int schlingo_control(int code, int repeat) {
    return schlingo::platform::feed(
        [&](Input& input) { input.postKey(static_cast<std::uint32_t>(code), repeat); });
}

// A key without a character, by its NamedKey number.
EMSCRIPTEN_KEEPALIVE int schlingo_named(int key, int shift, int ctrl, int repeat) {
    using namespace schlingo::platform;
    const int bios = biosExtendedCode(static_cast<NamedKey>(key), shift != 0, ctrl != 0);
    if (bios == 0)
        return 1; // F10 posts nothing
    return feed([&](Input& input) {
        input.postKey(255u + 256u * static_cast<std::uint32_t>(bios), repeat);
    });
}

EMSCRIPTEN_KEEPALIVE int schlingo_close() {
    return schlingo::platform::feed([](Input& input) { input.postCloseRequest(); });
}

EMSCRIPTEN_KEEPALIVE int schlingo_active(int active) {
    return schlingo::platform::feed([&](Input& input) { input.setActive(active != 0); });
}

// Game pixels; inside is 0 once the pointer left the canvas.
EMSCRIPTEN_KEEPALIVE int schlingo_pointer(int x, int y, int inside, int buttons) {
    return schlingo::platform::feed([&](Input& input) {
        // The position first: a press goes down where it was made, and a
        // release outside lets the pointer go once the button is up.
        input.pointerMoved(x, y, inside != 0);
        input.setButtons(buttons);
    });
}

EMSCRIPTEN_KEEPALIVE int schlingo_wheel(int notches) {
    return schlingo::platform::feed([&](Input& input) { input.wheelMoved(notches); });
}

} // extern "C"
