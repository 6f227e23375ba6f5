#include "platform/machine/door.hpp"

#include <chrono>

namespace schlingo::platform {

void Door::batchDelivered() {
    ++deliveries_;
    delivered_.notify_all();
}

void Door::await(std::unique_lock<std::mutex>& guard, std::uint64_t since, double deadline) {
    if (deliveries_ != since)
        return;
    if (source_.deliversOnItsOwn()) {
        sleep(guard, since, deadline);
        return;
    }
    guard.unlock();
    source_.pumpEvents(since, deadline);
    guard.lock();
}

void Door::sleepUntilDelivered(std::uint64_t since, double deadline) {
    std::unique_lock guard(lock_);
    sleep(guard, since, deadline);
}

void Door::sleep(std::unique_lock<std::mutex>& guard, std::uint64_t since, double deadline) {
    const auto delivered = [&] { return deliveries_ != since; };
    if (deadline == noDeadline) {
        delivered_.wait(guard, delivered);
        return;
    }
    const double left = deadline - clock_.timerSeconds();
    if (left > 0)
        delivered_.wait_for(guard, std::chrono::duration<double>(left), delivered);
}

} // namespace schlingo::platform
