#include "link/ReceiveQueue.h"

#include <algorithm>
#include <limits>
#include <utility>

void ReceiveQueue::push(const std::uint8_t* data, std::size_t count) {
    if (count == 0)
        return;
    {
        std::lock_guard lock(mutex_);
        bytes_.insert(bytes_.end(), data, data + count);
        if (bytes_.size() > kLimit) {
            const std::size_t excess = bytes_.size() - kLimit;
            bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(excess));
            dropped_ += excess;
        }
    }
    arrived_.notify_all();
    // Outside the queue's lock, so the notifier may look at the queue.
    std::lock_guard notifying(notifyMutex_);
    if (notify_)
        notify_();
}

std::uint32_t ReceiveQueue::size() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::uint32_t>(
        std::min<std::size_t>(bytes_.size(), std::numeric_limits<std::uint32_t>::max()));
}

bool ReceiveQueue::waitForBytes(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [this] { return !bytes_.empty(); });
}

std::uint32_t ReceiveQueue::pop(std::uint8_t* out, std::uint32_t max) {
    std::lock_guard lock(mutex_);
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(max, bytes_.size()));
    std::copy_n(bytes_.begin(), n, out);
    bytes_.erase(bytes_.begin(), bytes_.begin() + n);
    return n;
}

void ReceiveQueue::clear() {
    std::lock_guard lock(mutex_);
    bytes_.clear();
}

std::uint64_t ReceiveQueue::takeDropped() {
    std::lock_guard lock(mutex_);
    return std::exchange(dropped_, 0);
}

void ReceiveQueue::setNotifier(std::function<void()> notify) {
    std::lock_guard notifying(notifyMutex_);
    notify_ = std::move(notify);
}
