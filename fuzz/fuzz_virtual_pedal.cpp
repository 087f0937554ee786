// The pedal model takes whatever the host sends, in chunks of any size, with the player at
// the pedal busy in between and the host's line framing changing under it.
//
// The first byte picks how the pedal starts. Then each byte below 0xE0 is a chunk of host
// bytes, 1 to 64 of them, from the rest of the input; each from 0xE0 up is one thing done
// to the pedal, taking its arguments from the bytes after it.

#include "sim/VirtualPedal.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

using namespace std::chrono_literals;

void check(bool holds) {
    if (!holds)
        std::abort();
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ == size_; }
    std::uint8_t next() { return empty() ? 0 : data_[at_++]; }
    // Up to `count` bytes, as many as there are.
    std::size_t take(std::size_t count, const std::uint8_t*& bytes) {
        bytes = data_ + at_;
        count = std::min(count, size_ - at_);
        at_ += count;
        return count;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A small effect, so that a fresh pedal has parameter addresses, assignments and a control
// count to work with.
std::optional<QByteArray> smallEffect(int effectNumber) {
    QByteArray program(int(VirtualPedal::kMinProgramSize), '\0');
    program[2] = char(program.size());
    const std::uint16_t addresses[] = {0x0010, 0x0014, 0x0018};
    for (int i = 0; i < 3; ++i) {
        program[3 + 2 * i] = char(addresses[i] >> 8);
        program[4 + 2 * i] = char(addresses[i] & 0xFF);
    }
    program[126] = char(effectNumber);
    program[127] = 3;
    return program;
}

PedalFaults faultsFor(int kind) {
    switch (kind) {
    case 1:
        return {.silent = true};
    case 2:
        return {.nackBootloaderStep = 2};
    case 3:
        return {.dropEvery = 3};
    case 4:
        return {.garbleEvery = 4};
    case 5:
        return {.cutRepliesAfter = 5};
    default:
        return {};
    }
}

VirtualPedal::Options optionsFrom(std::uint8_t first) {
    VirtualPedal::Options options;
    options.startInBootloader = first & 0x01;
    options.holdB2 = first & 0x02;
    options.erased = first & 0x04;
    if (first & 0x08)
        options.programFor = smallEffect;
    return options;
}

// The player at the pedal, the power switch, the host's line and the clock.
void act(VirtualPedal& pedal, std::uint8_t what, Input& input, VirtualPedal::Clock::time_point& now) {
    switch (what % 12) {
    case 0:
        pedal.setHostLine(kFirmwareLine);
        return;
    case 1:
        pedal.setHostLine(kBootloaderLine);
        return;
    case 2:
        pedal.setHostLine(std::nullopt);
        return;
    case 3:
        pedal.selectBank(int(input.next()) - 1);
        return;
    case 4:
        pedal.reportEffect();
        return;
    case 5: {
        const auto control = VirtualPedal::Control(input.next());
        pedal.moveControl(control, int(std::int16_t((input.next() << 8) | input.next())));
        return;
    }
    case 6: {
        const std::uint8_t control = input.next(), parameter = input.next();
        pedal.sendLiveReport(control, parameter, std::uint16_t((input.next() << 8) | input.next()));
        return;
    }
    case 7:
        pedal.powerCycle(input.next() & 1);
        return;
    case 8:
        pedal.setHoldB2(input.next() & 1);
        return;
    case 9:
        now += 1500ms; // long enough for a message left incomplete to be dropped
        return;
    case 10:
        pedal.faults() = faultsFor(input.next() % 8);
        return;
    default:
        pedal.setHostLine(LineFormat{9600, 8, 0, 0}); // a bridge fresh from open
        return;
    }
}

// A pedal as it powers up with the options the byte picks. Copying one over the last keeps
// its flash where it is, where making a new one would map and fill 128 KiB for every input.
VirtualPedal& freshPedal(std::uint8_t first) {
    static std::array<std::unique_ptr<VirtualPedal>, 16> fresh;
    static VirtualPedal pedal;
    auto& model = fresh[first & 0x0F];
    if (!model)
        model = std::make_unique<VirtualPedal>(optionsFrom(first));
    pedal = *model;
    return pedal;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const std::uint8_t first = input.next();
    VirtualPedal& pedal = freshPedal(first);
    pedal.faults() = faultsFor((first >> 4) & 0x07);
    pedal.setHostLine(first & 0x80 ? std::optional<LineFormat>() : kFirmwareLine);
    VirtualPedal::Clock::time_point now{};
    now += 1h;
    while (!input.empty()) {
        const std::uint8_t step = input.next();
        if (step >= 0xE0) {
            act(pedal, std::uint8_t(step - 0xE0), input, now);
        } else {
            const std::uint8_t* bytes = nullptr;
            const std::size_t count = input.take(step % 64 + 1u, bytes);
            const bool halted = pedal.mode() == VirtualPedal::Mode::Halted;
            pedal.receive(bytes, count, now);
            // A halted core hears nothing and says nothing until power is cycled.
            check(!halted || (pedal.mode() == VirtualPedal::Mode::Halted && pedal.takeOutput().isEmpty()));
            now += 1ms;
        }
        pedal.takeOutput();
    }
    return 0;
}
