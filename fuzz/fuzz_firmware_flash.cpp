// The firmware run against a bootloader that answers anything: after each write the bridge
// hands back the next few bytes of the input (none at all is silence), so every reply, missing
// reply and stray byte reaches the acknowledge steps, the recovery and the handshake.
//
// The first byte picks whether the run starts by finding the bootloader, and whether a second
// run follows the first (as a player clicking again after a failure).

#include "firmware/Flasher.h"
#include "protocol/EditorContext.h"
#include "support/FakeFtDriver.h"
#include "support/ScriptedServices.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    ScriptedServices services;
    FakeFtDriver driver;
    driver.bridges = {{"A1", "Pedal"}};
    EditorContext ctx(services, driver);
    ctx.link.reportDriverErrors = false;
    ctx.link.Open_USB_Device_By_Serial_Number(QStringLiteral("A1"));
    ctx.state.bootloaderMode = true;

    std::size_t at = 1;
    std::vector<QByteArray> writes;
    driver.onWrite = [&](const QByteArray& bytes) {
        writes.push_back(bytes);
        if (at >= size)
            return;
        const std::size_t wanted = data[at] % 4;
        ++at;
        const std::size_t n = std::min(wanted, size - at);
        if (n > 0)
            driver.queueReply(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(n)));
        at += n;
    };

    // Two blocks, the last one short; zeros, so 0x21 on its own can only be Go.
    const FirmwareImage image{QStringLiteral("Fuzz_1"), 1, QByteArray(300, '\0')};
    FirmwareFlasher flasher(ctx.line);
    if ((data[0] & 1) != 0 && !flasher.findBootloader())
        return 0;
    for (int run = 0; run < ((data[0] & 2) != 0 ? 2 : 1); ++run) {
        writes.clear();
        services.messages.clear();
        ctx.link.SetSerialParameters(SerialMode::Bootloader);
        const FirmwareFlasher::Result result = flasher.flash(image);
        const bool wentToGo = std::find(writes.begin(), writes.end(), QByteArray(1, '\x21')) != writes.end();
        const bool toldComplete = services.messages.contains(kFirmwareUpgradeComplete);
        switch (result.outcome) {
        case FirmwareFlasher::Outcome::NotWritten:
            check(!wentToGo && !toldComplete && ctx.link.mode() == SerialMode::Bootloader);
            break;
        case FirmwareFlasher::Outcome::Flashed:
        case FirmwareFlasher::Outcome::NotStarted:
            check(wentToGo && toldComplete && ctx.link.mode() == SerialMode::Normal);
            break;
        case FirmwareFlasher::Outcome::Refused:
        case FirmwareFlasher::Outcome::Busy:
        case FirmwareFlasher::Outcome::Cancelled:
            check(false);
        }
        check(!flasher.running());
    }
    return 0;
}
