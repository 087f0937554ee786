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
    commandCount_ = 0;
}

bool VirtualBootloader::inFlash(std::uint32_t address, std::uint32_t length) {
    return address >= kFlashBase && length <= kFlashSize && address - kFlashBase <= kFlashSize - length;
}

bool VirtualBootloader::inRam(std::uint32_t address, std::uint32_t length) {
    return address >= kRamBase && length <= kRamSize && address - kRamBase <= kRamSize - length;
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
    const auto ack = [&] { out.append(char(kAck)); };
    switch (code) {
    case kGet: {
        // Only the commands this bootloader carries out are listed, so a host never picks one
        // it would then see refused.
        static const std::uint8_t commands[] = {kGet, kGetVersion,  kGetId, kReadMemory,
                                                kGo,  kWriteMemory, kErase};
        ack();
        out.append(char(sizeof commands)); // bytes that follow, less one: the version and the list
        out.append(char(kVersion));
        for (std::uint8_t c : commands)
            out.append(char(c));
        ack();
        toCommand();
        return;
    }
    case kGetVersion:
        // Version, then the two option bytes, which read 0 on an unprotected device.
        ack();
        out.append(char(kVersion));
        out.append('\0');
        out.append('\0');
        ack();
        toCommand();
        return;
    case kGetId:
        ack();
        out.append(char(1));
        out.append(char(kProductId >> 8));
        out.append(char(kProductId & 0xFF));
        ack();
        toCommand();
        return;
    case kReadMemory:
        ack();
        phase_ = Phase::ReadAddress;
        buffer_.clear();
        return;
    case kWriteMemory:
        ack();
        phase_ = Phase::WriteAddress;
        buffer_.clear();
        return;
    case kErase:
        ack();
        phase_ = Phase::EraseList;
        buffer_.clear();
        return;
    case kGo:
        ack();
        phase_ = Phase::GoAddress;
        buffer_.clear();
        return;
    default:
        out.append(char(kNack));
        toCommand();
        return;
    }
}

std::optional<std::uint32_t> VirtualBootloader::complete(QByteArray& out) {
    const auto nack = [&] {
        out.append(char(kNack));
        toCommand();
    };
    const std::uint8_t* b = buffer_.data();
    switch (phase_) {
    case Phase::WaitSync:
        break;
    case Phase::Command: {
        if ((b[0] ^ b[1]) != 0xFF) {
            nack();
            break;
        }
        if (++commandCount_ == nackCommand_) {
            nack();
            break;
        }
        command(b[0], out);
        break;
    }
    case Phase::ReadAddress:
        if (!addressOk(address_) || !inFlash(address_)) {
            nack();
            break;
        }
        out.append(char(kAck));
        phase_ = Phase::ReadCount;
        buffer_.clear();
        break;
    case Phase::ReadCount: {
        const std::uint32_t count = b[0] + 1u;
        if ((b[0] ^ b[1]) != 0xFF || !inFlash(address_, count)) {
            nack();
            break;
        }
        out.append(char(kAck));
        out.append(reinterpret_cast<const char*>(flash_.data() + (address_ - kFlashBase)), count);
        toCommand();
        break;
    }
    case Phase::WriteAddress:
        // Flash is programmed a word at a time, so a block must start on a word.
        if (!addressOk(address_) || !inFlash(address_) || address_ % 4 != 0) {
            nack();
            break;
        }
        out.append(char(kAck));
        phase_ = Phase::WriteData;
        buffer_.clear();
        break;
    case Phase::WriteData: {
        const std::uint32_t count = b[0] + 1u;
        const std::uint8_t* data = b + 1;
        if (xorOf(b, count + 1) != b[count + 1] || !inFlash(address_, count)) {
            nack();
            break;
        }
        std::uint8_t* target = flash_.data() + (address_ - kFlashBase);
        // Programming only clears bits; the flash controller refuses a word that is not erased,
        // and the bootloader then reports the failure.
        if (std::any_of(target, target + count, [](std::uint8_t v) { return v != 0xFF; })) {
            nack();
            break;
        }
        std::copy(data, data + count, target);
        out.append(char(kAck));
        toCommand();
        break;
    }
    case Phase::EraseList: {
        if (b[0] == 0xFF) {
            if (b[1] != 0x00) {
                nack();
                break;
            }
            std::fill(flash_.begin(), flash_.end(), 0xFF);
            out.append(char(kAck));
            toCommand();
            break;
        }
        const std::uint32_t pages = b[0] + 1u;
        const std::uint8_t* list = b + 1;
        if (xorOf(b, pages + 1) != b[pages + 1] ||
            std::any_of(list, list + pages, [](std::uint8_t p) { return p >= kFlashSize / kPageSize; })) {
            nack();
            break;
        }
        for (std::uint32_t i = 0; i < pages; ++i)
            std::fill_n(flash_.begin() + list[i] * kPageSize, kPageSize, 0xFF);
        out.append(char(kAck));
        toCommand();
        break;
    }
    case Phase::GoAddress: {
        std::uint32_t address = 0;
        if (!addressOk(address) || !(inFlash(address, 8) || inRam(address, 8))) {
            nack();
            break;
        }
        out.append(char(kAck));
        toCommand();
        return address;
    }
    }
    return std::nullopt;
}
