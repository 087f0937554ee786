#include "firmware/FirmwareImage.h"

#include "ProductData.h"
#include "base/Convert.h"

namespace {

std::uint8_t xorOf(const QByteArray& bytes, std::uint8_t start = 0) {
    std::uint8_t x = start;
    for (const char c : bytes)
        x ^= static_cast<std::uint8_t>(c);
    return x;
}

} // namespace

QStringList firmwareItems() {
    return {QStringLiteral("Firmware_1")};
}

std::optional<int> firmwareVersionOf(const QString& item) {
    if (item.isEmpty() || !item.back().isDigit())
        return std::nullopt;
    return item.back().digitValue();
}

QStringList firmwareSelectLog(const QString& item) {
    const std::optional<int> version = firmwareVersionOf(item);
    return {QStringLiteral("Firmware Version: ") + (version ? QString::number(*version) : QString()), item};
}

QString firmwareImageProblem(const QString& name, qint64 size, std::optional<int> version) {
    if (!version)
        return QStringLiteral("The firmware %1 does not say its version (the last character of its name); "
                              "nothing was sent.")
            .arg(name);
    if (size == 0)
        return QStringLiteral("The firmware image %1 is empty; nothing was sent.").arg(name);
    if (size > kMaxFirmwareImageBytes)
        return QStringLiteral("The firmware image %1 is %2 bytes long, more than the %3 bytes of flash below "
                              "the version record; nothing was sent.")
            .arg(name)
            .arg(size)
            .arg(kMaxFirmwareImageBytes);
    return {};
}

FirmwareLoad loadBuiltInFirmware(const QString& item) {
    FirmwareLoad load;
    const std::optional<QByteArray> bytes = ProductData::raw(item);
    if (!bytes) {
        load.problem =
            QStringLiteral("The editor holds no firmware image called %1; nothing was sent.").arg(item);
        return load;
    }
    const std::optional<int> version = firmwareVersionOf(item);
    load.problem = firmwareImageProblem(item, bytes->size(), version);
    if (load.problem.isEmpty())
        load.image = FirmwareImage{item, *version, *bytes};
    return load;
}

ChunkedImage splitIntoChunks(const QByteArray& image) {
    ChunkedImage out;
    const auto size = static_cast<int>(image.size());
    int count = size / kFirmwareChunkBytes;
    const int lastSize = size % kFirmwareChunkBytes;
    out.log << QStringLiteral("num of chunks: %1").arg(count)
            << QStringLiteral("num of bytes last chunk: %1").arg(lastSize);
    if (lastSize > 0)
        ++count;
    out.chunks.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        FirmwareChunk chunk;
        chunk.bytes = image.mid(qsizetype(i) * kFirmwareChunkBytes, kFirmwareChunkBytes);
        // The bootloader writes flash a 32-bit word at a time and takes only whole words, so a
        // last block that ends inside one is made up with erased bytes, as stm32flash does.
        if (const qsizetype partial = chunk.bytes.size() % kFlashWordBytes)
            chunk.bytes.append(QByteArray(kFlashWordBytes - partial, '\xFF'));
        chunk.text = QString::fromLatin1(chunk.bytes.toHex().toUpper());
        if (i == count - 1)
            out.log << QStringLiteral("num of bytes last chunk: %1").arg(lastSize);
        out.log << QStringLiteral("chunk from string %1: ").arg(i) << chunk.text
                << QStringLiteral("chunk %1 size: %2").arg(i).arg(chunk.bytes.size()) << QString()
                << QString();
        out.chunks.push_back(std::move(chunk));
    }
    return out;
}

QByteArray addressWithChecksum(std::uint32_t address) {
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((address >> shift) & 0xFF));
    return bytes.append(static_cast<char>(xorOf(bytes)));
}

QByteArray dataBlock(const QByteArray& bytes) {
    const auto n = static_cast<std::uint8_t>(bytes.size() - 1);
    return QByteArray(1, static_cast<char>(n)) + bytes + QByteArray(1, static_cast<char>(xorOf(bytes, n)));
}

QByteArray versionRecordBlock(int version) {
    QByteArray record(8, '\0');
    record[7] = static_cast<char>(version);
    return dataBlock(record);
}
