#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

// The bytes the bridge has received and the editor has not read yet. Filled by the driver's I/O
// thread, drained by the user-interface thread; a read never takes more than is queued.
class ReceiveQueue {
public:
    // Appends bytes and, when some were added, tells the notifier (outside the lock).
    void push(const std::uint8_t* data, std::size_t count);
    std::uint32_t size() const;
    // Moves up to `max` bytes into `out`; returns how many.
    std::uint32_t pop(std::uint8_t* out, std::uint32_t max);
    void clear();
    void setNotifier(std::function<void()> notify);

private:
    mutable std::mutex mutex_;
    std::deque<std::uint8_t> bytes_;
    std::function<void()> notify_;
};
