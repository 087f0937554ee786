#pragma once

#include "link/FtDriver.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

class Services;

inline constexpr std::uint32_t kUsbBufferSize = 65536;

enum class SerialMode { Normal, Bootloader };

// The text shown after an operation's label when the driver fails with `status`.
QString ftStatusText(FtStatus status);

// The thin layer over the bridge driver: one device handle, fixed transmit and receive buffers,
// the serial settings, and the reporter that turns a failing status into a message box.
class UsbLink {
public:
    UsbLink(FtDriver& driver, Services& services);

    FtStatus GetFTDeviceCount();
    FtStatus GetFTDeviceSerialNo(std::uint32_t index);
    FtStatus GetFTDeviceDescription(std::uint32_t index);
    FtStatus Open_USB_Device_By_Serial_Number(const QString& serial);
    FtStatus CloseDevice();
    // Reads exactly what the driver reports as queued (never more than rxBuffer holds) into
    // the start of rxBuffer; returns the count got.
    std::uint32_t ReadDevice();
    // Sends the first `count` bytes of txBuffer; returns the count written.
    std::uint32_t WriteDevice(std::uint32_t count);
    FtStatus SetDeviceBaudRate();
    FtStatus SetDeviceDataCharacteristics();
    FtStatus PurgeDeviceRx();
    FtStatus PurgeDeviceTx();
    FtStatus GetDeviceQueueStatus();
    // Blocks until bytes are received or the time passes; false when the driver cannot wait.
    bool WaitForReceive(int timeoutMs) { return driver_.waitForReceive(ftHandle, timeoutMs); }

    void SetSerialParameters(SerialMode mode);
    // The framing SetSerialParameters chose last: the bootloader's replies are read differently.
    SerialMode mode() const { return parity == FT_PARITY_EVEN ? SerialMode::Bootloader : SerialMode::Normal; }
    void ReportFtStatus(const QString& label, FtStatus status);

    FtDriver& driver() { return driver_; }

    FtHandle ftHandle = 0;
    std::array<std::uint8_t, kUsbBufferSize> txBuffer{};
    std::array<std::uint8_t, kUsbBufferSize> rxBuffer{};
    std::uint32_t rxQueueBytes = 0;
    std::uint32_t deviceCount = 0;
    std::array<char, 128> deviceListBuffer{};
    QByteArray listedDeviceString;
    std::array<char, 50> openSerialNumber{};
    std::uint32_t baudRate = 0;
    std::uint8_t wordLength = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t parity = 0;
    bool reportDriverErrors = true;

private:
    FtStatus listByIndex(std::uint32_t index, std::uint32_t offset, std::uint32_t flags, const char* label);

    FtDriver& driver_;
    Services& services_;
};
