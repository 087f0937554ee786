// The firmware image's checks, its chunks and the blocks the bootloader takes, and a refusal
// that must come before anything reaches the line.

#include "firmware/FirmwareImage.h"
#include "firmware/Flasher.h"
#include "protocol/EditorContext.h"
#include "sim/VirtualDriver.h"
#include "support/RecordingDriver.h"
#include "support/ScriptedServices.h"

#include <gtest/gtest.h>

namespace {

TEST(FirmwareImage, ChunksAndTheirLog) {
    struct Case {
        int size;
        int chunks;
        int lastSize; // as written: a last block that ends inside a word is filled up with 0xFF
    };
    for (const Case c : {Case{41252, 162, 36}, Case{512, 2, 256}, Case{1, 1, 4}, Case{1001, 4, 236}}) {
        const ChunkedImage split = splitIntoChunks(QByteArray(c.size, '\x11'));
        ASSERT_EQ(int(split.chunks.size()), c.chunks) << c.size;
        const QByteArray& last = split.chunks.back().bytes;
        EXPECT_EQ(last.size(), c.lastSize) << c.size;
        const int imageBytes = (c.size - 1) % 256 + 1;
        EXPECT_EQ(last, QByteArray(imageBytes, '\x11') + QByteArray(c.lastSize - imageBytes, '\xFF'))
            << c.size;
        EXPECT_EQ(split.log.at(0), QStringLiteral("num of chunks: %1").arg(c.size / 256));
        EXPECT_EQ(split.log.at(1), QStringLiteral("num of bytes last chunk: %1").arg(c.size % 256));
        // Each chunk: its text, its size and two empty lines; the last one says the size again.
        EXPECT_EQ(split.log.size(), 2 + 5 * c.chunks + 1) << c.size;
        EXPECT_EQ(
            split.log.mid(split.log.size() - 6),
            (QStringList{QStringLiteral("num of bytes last chunk: %1").arg(c.size % 256),
                         QStringLiteral("chunk from string %1: ").arg(c.chunks - 1), split.chunks.back().text,
                         QStringLiteral("chunk %1 size: %2").arg(c.chunks - 1).arg(c.lastSize), "", ""}));
    }
}

TEST(FirmwareImage, BlocksAddressesAndTheVersionRecord) {
    EXPECT_EQ(addressWithChecksum(0x08000000).toHex().toUpper(), "0800000008");
    EXPECT_EQ(addressWithChecksum(0x0801FC00).toHex().toUpper(), "0801FC00F5");
    const QByteArray allFF = dataBlock(QByteArray(256, '\xFF'));
    EXPECT_EQ(allFF.front(), '\xFF');
    EXPECT_EQ(allFF.back(), '\xFF') << "N XOR an even number of FF bytes";
    EXPECT_EQ(dataBlock(QByteArray::fromHex("AABBCCDD")).toHex().toUpper(), "03AABBCCDD03");
    EXPECT_EQ(versionRecordBlock(1).toHex().toUpper(), "07000000000000000106");
}

TEST(FirmwareImage, AnImageThatWillNotDoIsRefusedBeforeAnythingIsSent) {
    ScriptedServices services;
    VirtualDriver pedal(VirtualPedal::Options{.startInBootloader = true});
    RecordingDriver wire(pedal);
    EditorContext ctx(services, wire);
    FirmwareFlasher flasher(ctx.line);
    struct Case {
        FirmwareImage image;
        const char* says;
    };
    const Case cases[] = {
        {{"Big_1", 1, QByteArray(kMaxFirmwareImageBytes + 1, '\0')},
         "The firmware image Big_1 is 130049 bytes long, more than the 130048 bytes of flash below the "
         "version "
         "record; nothing was sent."},
        {{"Empty_1", 1, QByteArray()}, "The firmware image Empty_1 is empty; nothing was sent."},
    };
    for (const Case& c : cases) {
        services.messages.clear();
        EXPECT_EQ(flasher.flash(c.image).outcome, FirmwareFlasher::Outcome::Refused);
        EXPECT_EQ(services.messages, QStringList{c.says});
    }
    EXPECT_EQ(flasher.flash(QStringLiteral("Firmware_9")).outcome, FirmwareFlasher::Outcome::Refused);
    EXPECT_TRUE(wire.take().empty());
    EXPECT_EQ(loadBuiltInFirmware(QStringLiteral("firmware_1")).image->bytes.size(), 41252);
}

} // namespace
