#pragma once
// The count of batches that came in through Display::deliver, and the game
// thread's wait for the next one. Back ends that deliver from a thread of
// their own (a presenter) only deliver; the door sleeps until they do. Back
// ends that deliver on the game thread (the browser, the scripted one) are
// asked to pump instead: the game thread runs their event loop while it waits.

#include "platform/seam/backend.hpp"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace schlingo::platform {

class Door {
public:
    Door(EventSource& source, Clock& clock, std::mutex& displayLock)
        : source_(source), clock_(clock), lock_(displayLock) {}

    // Display::lock held: one more batch came through; wakes the game thread
    // if it waits for it.
    void batchDelivered();
    // Display::lock held.
    std::uint64_t deliveries() const { return deliveries_; }

    // Game thread, Display::lock held through `guard` and let go while it
    // waits. Returns once a batch after the `since`-th came through, or the
    // clock reached `deadline` (noDeadline: none), or earlier: the caller
    // looks again. A deadline already past hands over only what is pending.
    void await(std::unique_lock<std::mutex>& guard, std::uint64_t since, double deadline);

    // The same wait without asking the back end to pump, for a game thread
    // whose events come from another thread at the moment. Game thread,
    // without Display::lock held.
    void sleepUntilDelivered(std::uint64_t since, double deadline);

    Clock& clock() { return clock_; }

private:
    void sleep(std::unique_lock<std::mutex>& guard, std::uint64_t since, double deadline);

    EventSource& source_;
    Clock& clock_;
    std::mutex& lock_;
    std::condition_variable delivered_; // with Display::lock; deliveries_ moved on
    std::uint64_t deliveries_ = 0;      // guarded by Display::lock
};

} // namespace schlingo::platform
