// The bootloader model takes whatever the host sends, byte by byte: commands, addresses,
// blocks and checksums, right or wrong, in any order.

#include "sim/VirtualBootloader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each input starts from a fresh bootloader. Copying one over the last keeps its flash
    // where it is, where making a new one would map and fill 128 KiB for every input.
    static const VirtualBootloader fresh;
    static VirtualBootloader bootloader;
    bootloader = fresh;
    QByteArray out;
    for (std::size_t i = 0; i < size; ++i) {
        const std::optional<std::uint32_t> go = bootloader.receive(data[i], out);
        // No byte brings more than a full Read Memory answer: ACK and 256 bytes.
        check(out.size() <= 257);
        // A Go is accepted only where the core could fetch a vector table.
        check(!go || VirtualBootloader::inFlash(*go, 8) || VirtualBootloader::inRam(*go, 8));
        check(bootloader.flash().size() == VirtualBootloader::kFlashSize);
        out.clear();
    }
    return 0;
}
