#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

// The bytes the bridge has received and the editor has not read yet. Filled by the driver's I/O
// thread, drained by the user-interface thread; a read never takes more than is queued.
//
// It holds at most kLimit bytes: a pedal that keeps talking while nobody reads (live reports
// while the editor is busy elsewhere) would otherwise grow it for as long as the editor runs.
// The oldest bytes give way, so what is read afterwards is what the pedal said last.
class ReceiveQueue {
public:
    // Far above the largest reply (a 16 KiB memory dump) and a minute of live reports.
    static constexpr std::size_t kLimit = 1 << 20;

    // Appends bytes and, when some were added, tells the notifier.
    void push(const std::uint8_t* data, std::size_t count);
    std::uint32_t size() const;
    // Blocks until the queue holds bytes or the time passes; whether it holds any.
    bool waitForBytes(std::chrono::milliseconds timeout);
    // Moves up to `max` bytes into `out`; returns how many.
    std::uint32_t pop(std::uint8_t* out, std::uint32_t max);
    void clear();
    // Bytes dropped to keep within kLimit since the last call.
    std::uint64_t takeDropped();
    // Once this returns, the previous notifier is neither running nor called again, so its
    // owner may go away.
    void setNotifier(std::function<void()> notify);

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::uint8_t> bytes_;
    std::uint64_t dropped_ = 0;
    // Held while the notifier runs, so that replacing it waits for a call in progress.
    std::mutex notifyMutex_;
    std::function<void()> notify_;
};
