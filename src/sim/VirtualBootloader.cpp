#include "sim/VirtualBootloader.h"

#include <algorithm>

namespace {

std::uint8_t xorOf(const std::uint8_t* data, std::size_t n) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < n; ++i)
        x ^= data[i];
    return x;
}

} // namespace

VirtualBootloader::VirtualBootloader() : flash_(kFlashSize, 0xFF) {}

void VirtualBootloader::reset() {
    phase_ = Phase::WaitSync;
    buffer_.clear();
    stepCount_ = 0;
}

bool VirtualBootloader::inFlash(std::uint32_t address, std::uint32_t length) {
    return address >= kFlashBase && length <= kFlashSize && address - kFlashBase <= kFlashSize - length;
}

bool VirtualBootloader::inRam(std::uint32_t address, std::uint32_t length) {
    return address >= kRamBase && length <= kRamSize && address - kRamBase <= kRamSize - length;
}

bool VirtualBootloader::flashHolds(std::uint32_t address, const QByteArray& bytes) const {
    const auto length = static_cast<std::uint32_t>(bytes.size());
    return inFlash(address, length) &&
           std::equal(bytes.begin(), bytes.end(), flash_.begin() + (address - kFlashBase),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::uint32_t VirtualBootloader::flashWord(std::uint32_t address) const {
    if (!inFlash(address, 4))
        return 0xFFFFFFFF;
    const std::uint8_t* p = flash_.data() + (address - kFlashBase);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

std::optional<std::uint32_t> VirtualBootloader::receive(std::uint8_t byte, QByteArray& out) {
    if (phase_ == Phase::WaitSync) {
        // Until it has measured the host's 0x7F the bootloader does not know the baud rate,
        // so anything else goes unanswered.
        if (byte == kSync) {
            out.append(char(kAck));
            toCommand();
        }
        return std::nullopt;
    }
    buffer_.push_back(byte);
    std::size_t needed = 0;
    switch (phase_) {
    case Phase::WaitSync:
        break;
    case Phase::Command:
    case Phase::ReadCount:
        needed = 2;
        break;
    case Phase::ReadAddress:
    case Phase::WriteAddress:
    case Phase::GoAddress:
        needed = 5;
        break;
    case Phase::WriteData:
        needed = std::size_t(buffer_[0]) + 3; // N, N + 1 data bytes, checksum
        break;
    case Phase::EraseList:
        needed = buffer_[0] == 0xFF ? 2 : std::size_t(buffer_[0]) + 3;
        break;
    }
    if (buffer_.size() < needed)
        return std::nullopt;
    return complete(out);
}

bool VirtualBootloader::addressOk(std::uint32_t& address) const {
    const std::uint8_t* b = buffer_.data();
    address = (std::uint32_t(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    return xorOf(b, 4) == b[4];
}

void VirtualBootloader::command(std::uint8_t code, QByteArray& out) {
    switch (code) {
    case kGet:
        answerGet(out);
        return;
    case kGetVersion:
        // Version, then the two option bytes, which read 0 on an unprotected device.
        answer(out, {kVersion, 0x00, 0x00});
        return;
    case kGetId:
        answer(out, {1, std::uint8_t(kProductId >> 8), std::uint8_t(kProductId & 0xFF)});
        return;
    case kReadMemory:
        acceptAndExpect(Phase::ReadAddress, out);
        return;
    case kWriteMemory:
        acceptAndExpect(Phase::WriteAddress, out);
        return;
    case kErase:
        acceptAndExpect(Phase::EraseList, out);
        return;
    case kGo:
        acceptAndExpect(Phase::GoAddress, out);
        return;
    default:
        refuse(out);
        return;
    }
}

void VirtualBootloader::answerGet(QByteArray& out) {
    // Only the commands this bootloader carries out are listed, so a host never picks one it
    // would then see refused.
    static constexpr std::uint8_t commands[] = {kGet, kGetVersion,  kGetId, kReadMemory,
                                                kGo,  kWriteMemory, kErase};
    out.append(char(kAck));
    out.append(char(sizeof commands)); // bytes that follow, less one: the version and the list
    out.append(char(kVersion));
    out.append(reinterpret_cast<const char*>(commands), sizeof commands);
    out.append(char(kAck));
    toCommand();
}

void VirtualBootloader::answer(QByteArray& out, std::initializer_list<std::uint8_t> bytes) {
    out.append(char(kAck));
    for (std::uint8_t b : bytes)
        out.append(char(b));
    out.append(char(kAck));
    toCommand();
}

void VirtualBootloader::acceptAndExpect(Phase next, QByteArray& out) {
    out.append(char(kAck));
    phase_ = next;
    buffer_.clear();
}

bool VirtualBootloader::refusedOnDemand(QByteArray& out) {
    if (++stepCount_ != nackStep_)
        return false;
    refuse(out);
    return true;
}

void VirtualBootloader::refuse(QByteArray& out) {
    out.append(char(kNack));
    toCommand();
}

std::optional<std::uint32_t> VirtualBootloader::complete(QByteArray& out) {
    switch (phase_) {
    case Phase::WaitSync:
        return std::nullopt;
    case Phase::Command:
        completeCommand(out);
        return std::nullopt;
    case Phase::ReadAddress:
        completeReadAddress(out);
        return std::nullopt;
    case Phase::ReadCount:
        completeReadCount(out);
        return std::nullopt;
    case Phase::WriteAddress:
        completeWriteAddress(out);
        return std::nullopt;
    case Phase::WriteData:
        completeWriteData(out);
        return std::nullopt;
    case Phase::EraseList:
        completeEraseList(out);
        return std::nullopt;
    case Phase::GoAddress:
        return completeGoAddress(out);
    }
    return std::nullopt;
}

void VirtualBootloader::completeCommand(QByteArray& out) {
    const std::uint8_t code = buffer_[0];
    if ((code ^ buffer_[1]) != 0xFF) {
        refuse(out);
        return;
    }
    if (!refusedOnDemand(out))
        command(code, out);
}

void VirtualBootloader::completeReadAddress(QByteArray& out) {
    if (!addressOk(address_) || !inFlash(address_)) {
        refuse(out);
        return;
    }
    if (!refusedOnDemand(out))
        acceptAndExpect(Phase::ReadCount, out);
}

void VirtualBootloader::completeReadCount(QByteArray& out) {
    const std::uint32_t count = buffer_[0] + 1u;
    if ((buffer_[0] ^ buffer_[1]) != 0xFF || !inFlash(address_, count)) {
        refuse(out);
        return;
    }
    if (refusedOnDemand(out))
        return;
    out.append(char(kAck));
    out.append(reinterpret_cast<const char*>(flash_.data() + (address_ - kFlashBase)), count);
    toCommand();
}

void VirtualBootloader::completeWriteAddress(QByteArray& out) {
    // Flash is programmed a word at a time, so a block must start on a word.
    if (!addressOk(address_) || !inFlash(address_) || address_ % 4 != 0) {
        refuse(out);
        return;
    }
    if (!refusedOnDemand(out))
        acceptAndExpect(Phase::WriteData, out);
}

void VirtualBootloader::completeWriteData(QByteArray& out) {
    const std::uint8_t* b = buffer_.data();
    const std::uint32_t count = b[0] + 1u;
    const std::uint8_t* data = b + 1;
    // Flash takes whole words: a block that ends inside one is refused, as the real one does.
    if (xorOf(b, count + 1) != b[count + 1] || !inFlash(address_, count) || count % 4 != 0) {
        refuse(out);
        return;
    }
    if (refusedOnDemand(out))
        return;
    std::uint8_t* target = flash_.data() + (address_ - kFlashBase);
    // Programming only clears bits; the flash controller refuses a word that is not erased,
    // and the bootloader then reports the failure.
    if (std::any_of(target, target + count, [](std::uint8_t v) { return v != 0xFF; })) {
        refuse(out);
        return;
    }
    std::copy(data, data + count, target);
    if (corruptWrite_ >= address_ && corruptWrite_ - address_ < count)
        target[corruptWrite_ - address_] ^= 0x01;
    out.append(char(kAck));
    toCommand();
}

void VirtualBootloader::completeEraseList(QByteArray& out) {
    const std::uint8_t* b = buffer_.data();
    if (b[0] == 0xFF) { // global erase: FF 00
        if (b[1] != 0x00) {
            refuse(out);
            return;
        }
        if (refusedOnDemand(out))
            return;
        std::fill(flash_.begin(), flash_.end(), 0xFF);
        out.append(char(kAck));
        toCommand();
        return;
    }
    const std::uint32_t pages = b[0] + 1u;
    const std::uint8_t* list = b + 1;
    if (xorOf(b, pages + 1) != b[pages + 1] ||
        std::any_of(list, list + pages, [](std::uint8_t p) { return p >= kFlashSize / kPageSize; })) {
        refuse(out);
        return;
    }
    if (refusedOnDemand(out))
        return;
    for (std::uint32_t i = 0; i < pages; ++i)
        std::fill_n(flash_.begin() + list[i] * kPageSize, kPageSize, 0xFF);
    out.append(char(kAck));
    toCommand();
}

std::optional<std::uint32_t> VirtualBootloader::completeGoAddress(QByteArray& out) {
    std::uint32_t address = 0;
    if (!addressOk(address) || !(inFlash(address, 8) || inRam(address, 8))) {
        refuse(out);
        return std::nullopt;
    }
    if (refusedOnDemand(out))
        return std::nullopt;
    out.append(char(kAck));
    toCommand();
    return address;
}
