#include "platform/backends/desktop_kit/presenter_thread.hpp"

#include "platform/machine/display.hpp"

#include <utility>

namespace schlingo::platform {

void PresenterThread::attach(Display* display) {
    std::lock_guard guard(lock_);
    display_ = display;
}

std::string PresenterThread::open(int width, int height, const std::string& cp1252Title) {
    std::unique_lock guard(lock_);
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    openRequest_ = OpenRequest{width, height, cp1252Title};
    const long long target = opensDone_ + 1;
    wakeLocked();
    // A display server that never answers (a compositor that does not
    // configure the window) would keep the toolkit waiting inside the presenter.
    if (!done_.wait_for(guard, openTimeout, [&] { return opensDone_ >= target; }))
        return "das Fenster erschien nicht binnen " + std::to_string(openTimeout.count()) +
               " Sekunden";
    return failure_;
}

void PresenterThread::setTitle(const std::string& cp1252Title) {
    std::lock_guard guard(lock_);
    titleRequest_ = cp1252Title;
    wakeLocked();
}

void PresenterThread::setIcon() {
    std::lock_guard guard(lock_);
    iconRequest_ = true;
    wakeLocked();
}

void PresenterThread::wake() {
    std::lock_guard guard(lock_);
    if (native_ != nullptr)
        native_->wake();
}

void PresenterThread::stop() {
    {
        std::lock_guard guard(lock_);
        if (!thread_.joinable())
            return;
        stopRequest_ = true;
        wakeLocked();
    }
    thread_.join();
    std::lock_guard guard(lock_);
    stopRequest_ = false;
}

void PresenterThread::wakeLocked() {
    wake_.notify_one();
    if (native_ != nullptr)
        native_->wake();
}

bool PresenterThread::hasRequests() const {
    return openRequest_ || titleRequest_ || iconRequest_ || stopRequest_;
}

void PresenterThread::run() {
    Display* display = nullptr;
    {
        std::lock_guard guard(lock_);
        display = display_;
    }
    std::string startFailure;
    std::unique_ptr<NativeWindow> native =
        display != nullptr ? make_(display, startFailure) : nullptr;
    {
        std::lock_guard guard(lock_);
        native_ = native.get();
    }
    // A window that goes takes its keys and pointer with it.
    const auto close = [&] {
        if (native == nullptr || native->handle() == 0)
            return;
        native->close();
        handle_.store(0);
        const InputEvent gone[] = {InputEvent::focus(false), InputEvent::pointer(-1, -1, false)};
        display->deliver(gone);
    };
    // Event-driven: a pass runs when the window has events (input, expose)
    // or the game has asked for something (wake), never on a clock.
    for (;;) {
        std::optional<OpenRequest> open;
        std::optional<std::string> title;
        bool icon = false;
        {
            std::lock_guard guard(lock_);
            if (stopRequest_)
                break;
            open.swap(openRequest_);
            title.swap(titleRequest_);
            icon = std::exchange(iconRequest_, false);
        }
        if (open) {
            close();
            std::string failure = native != nullptr
                                      ? native->open(open->width, open->height, open->title)
                                      : startFailure;
            if (!failure.empty())
                close(); // what was made of it goes again
            else
                handle_.store(native->handle());
            std::lock_guard guard(lock_);
            failure_ = std::move(failure);
            ++opensDone_;
            done_.notify_all();
        }
        if (native != nullptr && title)
            native->setTitle(*title);
        if (native != nullptr && icon)
            native->setIcon();
        if (native != nullptr)
            native->pump();
        {
            std::unique_lock guard(lock_);
            if (hasRequests())
                continue;
            if (native == nullptr || native->handle() == 0) {
                // Nothing to show and no window events to wait for.
                wake_.wait(guard, [this] { return hasRequests(); });
                continue;
            }
        }
        native->waitForEvents();
    }
    {
        std::lock_guard guard(lock_);
        native_ = nullptr;
    }
    close();
    native.reset(); // the toolkit ends on the thread it began on
}

void ThreadedBackend::attach(Display& display) {
    presenter_.attach(&display);
}

void ThreadedBackend::detach() {
    presenter_.stop();
    presenter_.attach(nullptr);
}

} // namespace schlingo::platform
