#pragma once

// Shared by the virtual pedal's tests: a linked virtual pedal, driven through its bridge driver
// the way the editor's link drives it, and small builders of the bytes we send it.

#include "sim/VirtualDriver.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <vector>

struct PedalLink {
    VirtualDriver driver;
    FtHandle handle = 0;

    explicit PedalLink(VirtualPedal::Options options = {}) : driver(std::move(options)) {
        driver.openBySerialNumber(VirtualDriver::kSerialNumber, handle);
        driver.setBaudRate(handle, 115200);
        setParity(FT_PARITY_NONE);
    }
    VirtualPedal& pedal() { return driver.pedal(); }
    void setParity(std::uint8_t parity) { driver.setDataCharacteristics(handle, 8, 0, parity); }
    FtStatus write(const QByteArray& bytes) {
        std::uint32_t written = 0;
        return driver.write(handle, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            std::uint32_t(bytes.size()), written);
    }
    QByteArray readAll() {
        std::uint32_t queued = 0;
        driver.getQueueStatus(handle, queued);
        QByteArray bytes(qsizetype(queued), '\0');
        std::uint32_t got = 0;
        driver.read(handle, reinterpret_cast<std::uint8_t*>(bytes.data()), queued, got);
        bytes.truncate(got);
        return bytes;
    }
    // Writes the bytes of a hex text and returns everything the pedal answered.
    QByteArray exchange(const char* hex) {
        write(QByteArray::fromHex(hex));
        return readAll();
    }
};

// A decimal-number reply, one number per CR LF line.
inline std::vector<int> decimalLines(const QByteArray& reply) {
    std::vector<int> values;
    QList<QByteArray> lines = reply.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QByteArray& line : lines)
        values.push_back(line.endsWith('\r') ? line.chopped(1).toInt() : -1);
    return values;
}

// An effect program laid out as the catalogue stores them: code, length, 16 parameter
// addresses, opaque bytes, the effect's catalogue index at 126 and its control count at 127.
inline QByteArray makeProgram(int size, int effectNumber, const std::vector<std::uint16_t>& addresses,
                              std::uint8_t code = 0x00) {
    QByteArray p(size, '\0');
    p[0] = char(code);
    p[1] = char(size >> 8);
    p[2] = char(size & 0xFF);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        p[3 + 2 * int(i)] = char(addresses[i] >> 8);
        p[4 + 2 * int(i)] = char(addresses[i] & 0xFF);
    }
    for (int i = 35; i < size; ++i)
        p[i] = char((i * 7) & 0xFF);
    p[126] = char(effectNumber);
    p[127] = char(addresses.size());
    return p;
}

// A flash image the core can start from: stack at the top of RAM, reset handler in flash (Thumb).
inline QByteArray makeImage(int size) {
    QByteArray image(size, '\0');
    const std::uint32_t words[2] = {0x20005000, 0x08008B29};
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < 4; ++i)
            image[4 * w + i] = char(words[w] >> (8 * i));
    for (int i = 8; i < size; ++i)
        image[i] = char((i * 31 + 7) & 0xFF);
    return image;
}
