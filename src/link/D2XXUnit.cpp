#include "link/D2XXUnit.h"

#include "base/Services.h"

#include <algorithm>
#include <cstring>

QString ftStatusText(FtStatus status) {
    switch (status) {
    case 1:
        return QStringLiteral(" - Invalid handle...");
    case 2:
        return QStringLiteral(" - Device not found...");
    case 3:
        return QStringLiteral(" - Device not opened...");
    case 4:
        return QStringLiteral(" - General IO error...");
    case 5:
        return QStringLiteral(" - Insufficient resources...");
    case 6:
        return QStringLiteral(" - Invalid parameter...");
    case 7:
        return QStringLiteral(" - Invalid baud rate...");
    case 8:
        return QStringLiteral(" Device not opened for erase...");
    case 9:
        return QStringLiteral(" Device not opened for write...");
    case 10:
        return QStringLiteral(" - Failed to write...");
    case 11:
        return QStringLiteral(" - EEPROM read failed...");
    case 12:
        return QStringLiteral(" - EEPROM write failed...");
    case 13:
        return QStringLiteral(" - EEPROM erase failed...");
    case 14:
        return QStringLiteral(" - EEPROM not present...");
    case 15:
        return QStringLiteral(" - EEPROM not programmed...");
    case 16:
        return QStringLiteral(" - Invalid arguments...");
    case 17:
        return QStringLiteral(" - Other error ...");
    default:
        return QStringLiteral(" - Unknown driver status %1...").arg(status);
    }
}

UsbLink::UsbLink(FtDriver& driver, Services& services) : driver_(driver), services_(services) {}

void UsbLink::ReportFtStatus(const QString& label, FtStatus status) {
    if (!reportDriverErrors || status == FT_OK)
        return;
    services_.showMessage(label + ftStatusText(status));
}

FtStatus UsbLink::GetFTDeviceCount() {
    const FtStatus status = driver_.listDeviceCount(deviceCount);
    ReportFtStatus(QStringLiteral("GetFTDeviceCount"), status);
    return status;
}

FtStatus UsbLink::listByIndex(std::uint32_t index, std::uint32_t offset, std::uint32_t flags,
                              const char* label) {
    char* target = deviceListBuffer.data() + offset;
    const FtStatus status = driver_.listDeviceByIndex(index, target, flags);
    if (status == FT_OK) {
        // The driver promises a NUL within 64 bytes; do not trust it beyond our half of the buffer.
        const std::size_t length = strnlen(target, kFtListStringSize);
        listedDeviceString = QByteArray(target, static_cast<qsizetype>(length));
    }
    ReportFtStatus(QString::fromLatin1(label), status);
    return status;
}

FtStatus UsbLink::GetFTDeviceSerialNo(std::uint32_t index) {
    return listByIndex(index, 64, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER, "GetFTDeviceSerialNo");
}

FtStatus UsbLink::GetFTDeviceDescription(std::uint32_t index) {
    return listByIndex(index, 0, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION, "GetFTDeviceDescription");
}

FtStatus UsbLink::Open_USB_Device_By_Serial_Number(const QString& serial) {
    const QByteArray bytes = serial.toLatin1().left(static_cast<qsizetype>(openSerialNumber.size() - 1));
    openSerialNumber.fill(0);
    std::memcpy(openSerialNumber.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const FtStatus status = driver_.openBySerialNumber(openSerialNumber.data(), ftHandle);
    ReportFtStatus(QStringLiteral("Open_USB_Device_By_Serial_Number"), status);
    return status;
}

FtStatus UsbLink::CloseDevice() {
    const FtStatus status = driver_.close(ftHandle);
    ReportFtStatus(QStringLiteral("FT_Close"), status);
    return status;
}

std::uint32_t UsbLink::ReadDevice() {
    std::uint32_t queued = 0;
    driver_.getQueueStatus(ftHandle, queued);
    // Whatever the driver has piled up, one read fills rxBuffer at most; the rest stays queued
    // for the next read.
    queued = std::min(queued, kUsbBufferSize);
    std::uint32_t got = 0;
    const FtStatus status = driver_.read(ftHandle, rxBuffer.data(), queued, got);
    ReportFtStatus(QStringLiteral("FT_Read"), status);
    return std::min(got, kUsbBufferSize);
}

std::uint32_t UsbLink::WriteDevice(std::uint32_t count) {
    count = std::min(count, kUsbBufferSize);
    std::uint32_t written = 0;
    const FtStatus status = driver_.write(ftHandle, txBuffer.data(), count, written);
    ReportFtStatus(QStringLiteral("FT_Write"), status);
    return written;
}

FtStatus UsbLink::SetDeviceBaudRate() {
    const FtStatus status = driver_.setBaudRate(ftHandle, baudRate);
    ReportFtStatus(QStringLiteral("FT_SetBaudRate"), status);
    return status;
}

FtStatus UsbLink::SetDeviceDataCharacteristics() {
    const FtStatus status = driver_.setDataCharacteristics(ftHandle, wordLength, stopBits, parity);
    ReportFtStatus(QStringLiteral("FT_SetDataCharacteristics"), status);
    return status;
}

FtStatus UsbLink::PurgeDeviceRx() {
    const FtStatus status = driver_.purge(ftHandle, FT_PURGE_RX);
    ReportFtStatus(QStringLiteral("FT_Purge RX"), status);
    return status;
}

FtStatus UsbLink::PurgeDeviceTx() {
    const FtStatus status = driver_.purge(ftHandle, FT_PURGE_TX);
    ReportFtStatus(QStringLiteral("FT_Purge TX"), status);
    return status;
}

FtStatus UsbLink::GetDeviceQueueStatus() {
    const FtStatus status = driver_.getQueueStatus(ftHandle, rxQueueBytes);
    ReportFtStatus(QStringLiteral("FT_GetQueueStatus"), status);
    return status;
}

void UsbLink::SetSerialParameters(SerialMode mode) {
    baudRate = 115200;
    wordLength = FT_BITS_8;
    stopBits = FT_STOP_BITS_1;
    parity = mode == SerialMode::Bootloader ? FT_PARITY_EVEN : FT_PARITY_NONE;
}
