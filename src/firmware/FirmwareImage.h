#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// Where the microcontroller's flash takes an image, and the record that tells the firmware's
// version, 0x1FC00 bytes above the start.
inline constexpr std::uint32_t kFlashBase = 0x08000000;
inline constexpr std::uint32_t kVersionRecordAddress = 0x0801FC00;
inline constexpr int kFirmwareChunkBytes = 256;
inline constexpr int kFlashWordBytes = 4;
// An image may fill the flash up to the version record's page, no further.
inline constexpr int kMaxFirmwareImageBytes = static_cast<int>(kVersionRecordAddress - kFlashBase);
// The whole application area: every page of the 128 KiB flash, the version record's included.
inline constexpr std::uint32_t kFlashBytes = 128 * 1024;

// The images built into the editor, by the names the firmware window lists.
QStringList firmwareItems();
// The version an item stands for: its last character as a number; nothing when it is no digit.
std::optional<int> firmwareVersionOf(const QString& item);
// What FirmwareSelect logs: the version, then the item's name.
QStringList firmwareSelectLog(const QString& item);

// An image ready to write: its bytes and the version its record will hold.
struct FirmwareImage {
    QString name;
    int version = 0;
    QByteArray bytes;
};
// The built-in image of that item (its resource found without regard to case), or why there is
// nothing to write: no such image, an empty one, or one that would reach the version record.
struct FirmwareLoad {
    std::optional<FirmwareImage> image;
    QString problem;
};
FirmwareLoad loadBuiltInFirmware(const QString& item);
// The same checks for an image from elsewhere, by its size.
QString firmwareImageProblem(const QString& name, qint64 size, std::optional<int> version);

struct FirmwareChunk {
    QString text; // the chunk's bytes as upper-case hex, two digits a byte
    QByteArray bytes;
};
// The image in 256-byte chunks, the last one shorter when the size is no multiple of 256 (and
// then filled up with 0xFF to a whole number of 4-byte words), with the log lines of the split.
struct ChunkedImage {
    std::vector<FirmwareChunk> chunks;
    QStringList log;
};
ChunkedImage splitIntoChunks(const QByteArray& image);

// The 4 bytes of an address, most significant first, and their XOR as a fifth.
QByteArray addressWithChecksum(std::uint32_t address);
// A block as Write Memory takes it: N (the count less one), the bytes, and N XOR every byte.
QByteArray dataBlock(const QByteArray& bytes);
// The 8-byte version record as that block: seven zeros and the version.
QByteArray versionRecordBlock(int version);
