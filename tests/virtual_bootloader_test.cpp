#include "virtual_link.h"

#include <gtest/gtest.h>

namespace {

constexpr char ACK = 0x79;
constexpr char NACK = 0x1F;

QByteArray command(std::uint8_t code) {
    return QByteArray().append(char(code)).append(char(code ^ 0xFF));
}

QByteArray address(std::uint32_t a) {
    QByteArray b;
    for (int shift = 24; shift >= 0; shift -= 8)
        b.append(char(a >> shift));
    return b.append(char(b[0] ^ b[1] ^ b[2] ^ b[3]));
}

QByteArray block(const QByteArray& data) {
    QByteArray b(1, char(data.size() - 1));
    b += data;
    char x = b[0];
    for (char c : data)
        x ^= c;
    return b.append(x);
}

QByteArray acks(int n) {
    return QByteArray(n, ACK);
}

// A pedal whose firmware was asked into its bootloader and synchronised, at even parity.
struct BootloaderLink : PedalLink {
    explicit BootloaderLink(VirtualPedal::Options options = {}) : PedalLink(std::move(options)) {
        write(QByteArray::fromHex("0500010203040506"));
        setParity(FT_PARITY_EVEN);
        synced = exchange("7F");
    }
    QByteArray send(const QByteArray& bytes) {
        write(bytes);
        return readAll();
    }
    QByteArray synced;
};

TEST(VirtualBootloader, FlashesAnImageAndStartsItWithTheVersionFromItsRecord) {
    BootloaderLink link(VirtualPedal::Options{.effectNumber = 43, .effectVersion = 2, .firmwareVersion = 5});
    ASSERT_EQ(link.synced, QByteArray(1, ACK));

    EXPECT_EQ(link.send(command(0x00)), QByteArray::fromHex("7907220001021121314379"));
    EXPECT_EQ(link.send(command(0x01)), QByteArray::fromHex("7922000079"));
    EXPECT_EQ(link.send(command(0x02)), QByteArray::fromHex("7901041079"));

    EXPECT_EQ(link.send(command(0x43) + QByteArray::fromHex("FF00")), acks(2));

    // An image whose last block is short, written as the editor writes it.
    const QByteArray image = makeImage(41252);
    for (int offset = 0; offset < image.size(); offset += 256) {
        const QByteArray chunk = image.mid(offset, 256);
        ASSERT_EQ(link.send(command(0x31) + address(0x08000000 + offset) + block(chunk)), acks(3)) << offset;
    }
    EXPECT_EQ(link.send(command(0x31) + address(0x0801FC00) + block(QByteArray::fromHex("0000000000000007"))),
              acks(3));

    QByteArray readBack;
    for (int offset = 0; offset < image.size(); offset += 256) {
        const int n = std::min(256, int(image.size()) - offset);
        const QByteArray reply = link.send(command(0x11) + address(0x08000000 + offset) +
                                           QByteArray().append(char(n - 1)).append(char((n - 1) ^ 0xFF)));
        ASSERT_EQ(reply.left(3), acks(3));
        readBack += reply.mid(3);
    }
    EXPECT_EQ(readBack, image);

    EXPECT_EQ(link.send(command(0x21) + address(0x08000000)), acks(2));
    EXPECT_EQ(link.pedal().mode(), VirtualPedal::Mode::Firmware);

    // Back at the firmware's framing, the pedal answers again, now with the flashed version.
    link.setParity(FT_PARITY_NONE);
    EXPECT_EQ(link.exchange("0600"), QByteArray("1\r\n43\r\n2\r\n7\r\n"));
}

TEST(VirtualBootloader, RefusesWhatTheProtocolRefusesAndThenTakesTheNextCommand) {
    const QByteArray getId = QByteArray::fromHex("79010410") + QByteArray(1, ACK);
    struct Case {
        const char* what;
        QByteArray sent;
        QByteArray reply;
    };
    const Case cases[] = {
        {"complement wrong", QByteArray::fromHex("31CD"), QByteArray(1, NACK)},
        {"unsupported command", command(0x44), QByteArray(1, NACK)},
        {"address checksum wrong", command(0x31) + QByteArray::fromHex("0800000009"),
         QByteArray(1, ACK) + NACK},
        {"write outside flash", command(0x31) + address(0x08020000), QByteArray(1, ACK) + NACK},
        {"write not on a word", command(0x31) + address(0x08000002), QByteArray(1, ACK) + NACK},
        {"data checksum wrong", command(0x31) + address(0x08000000) + QByteArray::fromHex("030102030405"),
         acks(2) + NACK},
        {"a block of no whole words", command(0x31) + address(0x08000000) + block(QByteArray(3, 0x11)),
         acks(2) + NACK},
        {"write past the end of flash", command(0x31) + address(0x0801FFFC) + block(QByteArray(8, 0x11)),
         acks(2) + NACK},
        {"read count complement wrong", command(0x11) + address(0x08000000) + QByteArray::fromHex("0F0F"),
         acks(2) + NACK},
        {"read past the end of flash", command(0x11) + address(0x0801FF04) + QByteArray::fromHex("FF00"),
         acks(2) + NACK},
        {"read outside flash", command(0x11) + address(0x1FFFF000), QByteArray(1, ACK) + NACK},
        {"global erase not FF 00", command(0x43) + QByteArray::fromHex("FF01"), QByteArray(1, ACK) + NACK},
        {"page list checksum wrong", command(0x43) + QByteArray::fromHex("000500"),
         QByteArray(1, ACK) + NACK},
        {"page beyond flash", command(0x43) + block(QByteArray(1, char(128))), QByteArray(1, ACK) + NACK},
        {"go outside flash and RAM", command(0x21) + address(0x00000000), QByteArray(1, ACK) + NACK},
        {"go checksum wrong", command(0x21) + QByteArray::fromHex("0800000000"), QByteArray(1, ACK) + NACK},
    };
    for (const Case& c : cases) {
        BootloaderLink link;
        const QByteArray before(reinterpret_cast<const char*>(link.pedal().bootloader().flash().data()),
                                0x20000);
        EXPECT_EQ(link.send(c.sent), c.reply) << c.what;
        EXPECT_EQ(link.send(command(0x02)), getId) << c.what << ": not back at the command";
        EXPECT_EQ(
            QByteArray(reinterpret_cast<const char*>(link.pedal().bootloader().flash().data()), 0x20000),
            before)
            << c.what << ": flash changed";
    }
}

TEST(VirtualBootloader, WritesOnlyIntoErasedFlashAndErasesOnlyTheListedPages) {
    BootloaderLink link;
    auto& flash = link.pedal().bootloader().flash();
    // The factory image occupies page 0; writing over it is refused until it is erased.
    EXPECT_EQ(link.send(command(0x31) + address(0x08000000) + block(QByteArray(4, 0x12))), acks(2) + NACK);
    for (int page : {1, 2, 3})
        ASSERT_EQ(
            link.send(command(0x31) + address(0x08000000 + page * 1024) + block(QByteArray(4, char(page)))),
            acks(3));

    QByteArray pages = QByteArray::fromHex("01");
    pages += char(0);
    pages += char(2);
    pages += char(1 ^ 0 ^ 2);
    EXPECT_EQ(link.send(command(0x43) + pages), acks(2));
    EXPECT_EQ(flash[0], 0xFF);
    EXPECT_EQ(flash[2 * 1024], 0xFF);
    EXPECT_EQ(flash[1 * 1024], 1);
    EXPECT_EQ(flash[3 * 1024], 3);
    EXPECT_EQ(link.send(command(0x31) + address(0x08000000) + block(QByteArray(4, 0x12))), acks(3));
}

TEST(VirtualBootloader, NeedsEvenParity) {
    PedalLink link;
    link.write(QByteArray::fromHex("0500010203040506"));
    // Still at no parity: the sync byte arrives misframed and goes unanswered.
    EXPECT_EQ(link.exchange("7F"), QByteArray());
    link.setParity(FT_PARITY_EVEN);
    EXPECT_EQ(link.exchange("7F"), QByteArray(1, ACK));
    link.setParity(FT_PARITY_NONE);
    // A command at no parity is refused (and the refusal reaches us misframed as well).
    const QByteArray reply = link.exchange("02FD");
    EXPECT_EQ(reply.size(), 1);
    EXPECT_NE(reply, QByteArray(1, ACK));
    link.setParity(FT_PARITY_EVEN);
    EXPECT_EQ(link.exchange("02FD"), QByteArray::fromHex("79010410") + ACK);
}

TEST(VirtualBootloader, GoToAnErasedFlashHaltsTheCoreUntilPowerIsCycled) {
    BootloaderLink link;
    ASSERT_EQ(link.send(command(0x43) + QByteArray::fromHex("FF00")), acks(2));
    EXPECT_EQ(link.send(command(0x21) + address(0x08000000)), acks(2));
    EXPECT_EQ(link.pedal().mode(), VirtualPedal::Mode::Halted);
    EXPECT_EQ(link.send(QByteArray::fromHex("7F") + command(0x02)), QByteArray());
    link.setParity(FT_PARITY_NONE);
    EXPECT_EQ(link.exchange("0600"), QByteArray());

    link.pedal().powerCycle(true);
    link.setParity(FT_PARITY_EVEN);
    EXPECT_EQ(link.exchange("7F"), QByteArray(1, ACK));
}

// Steps count whatever they are: a command, an address, a block, an erase list.
TEST(VirtualBootloader, RefusesTheNthStepOnDemandAndCarriesItOut) {
    BootloaderLink link;
    link.pedal().faults().nackBootloaderStep = 2;
    EXPECT_EQ(link.send(command(0x02)).left(1), QByteArray(1, ACK));
    EXPECT_EQ(link.send(command(0x02)), QByteArray(1, NACK));
    EXPECT_EQ(link.send(command(0x02)).left(1), QByteArray(1, ACK));

    // After an erase (steps 1 and 2), the block's address is step 4 and its data step 5.
    for (int step : {4, 5}) {
        BootloaderLink writer;
        writer.pedal().faults().nackBootloaderStep = step;
        ASSERT_EQ(writer.send(command(0x43) + QByteArray::fromHex("FF00")), acks(2));
        const QByteArray replies =
            writer.send(command(0x31) + address(0x08000000) + block(QByteArray::fromHex("AABBCCDD")));
        EXPECT_TRUE(replies.contains(char(NACK))) << step;
        EXPECT_EQ(writer.pedal().bootloader().flashWord(0x08000000), 0xFFFFFFFFu)
            << step << ": nothing written";
    }
}

} // namespace
