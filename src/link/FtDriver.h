#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The seam below the USB link: the operations the editor uses from the bridge vendor's direct
// driver library, with the same arguments, results and status codes, so that the real FT230X
// backend, the virtual pedal and test fakes are interchangeable.

using FtStatus = std::uint32_t;
using FtHandle = std::uint32_t;

enum FtStatusCode : FtStatus {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_OTHER_ERROR = 17,
};

// Flags of the list call, as the vendor's header names them.
inline constexpr std::uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr std::uint32_t FT_LIST_BY_INDEX = 0x40000000u;
inline constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1u;
inline constexpr std::uint32_t FT_OPEN_BY_DESCRIPTION = 2u;

inline constexpr std::uint32_t FT_PURGE_RX = 1u;
inline constexpr std::uint32_t FT_PURGE_TX = 2u;

inline constexpr std::uint8_t FT_BITS_8 = 8;
inline constexpr std::uint8_t FT_BITS_7 = 7;
inline constexpr std::uint8_t FT_STOP_BITS_1 = 0;
inline constexpr std::uint8_t FT_STOP_BITS_2 = 2;
inline constexpr std::uint8_t FT_PARITY_NONE = 0;
inline constexpr std::uint8_t FT_PARITY_ODD = 1;
inline constexpr std::uint8_t FT_PARITY_EVEN = 2;

// By-index strings are at most 64 bytes, NUL-terminated.
inline constexpr std::uint32_t kFtListStringSize = 64;

// What the vendor's list call does not say about a bridge: how it is reached, where it sits on
// the bus (the same for every way to it, so one bridge is offered once), and whether this user may
// open it, with what to do when not.
struct BridgeDetails {
    std::string route;      // "direct", "kernel serial", "named port" or "virtual"
    std::string location;   // "bus-address" of the USB device; empty when it has none
    bool accessible = true; // the user may open it as things stand
    std::string advice;     // what to do when it is not accessible
};

class FtDriver {
public:
    virtual ~FtDriver() = default;

    // FT_ListDevices with FT_LIST_NUMBER_ONLY.
    virtual FtStatus listDeviceCount(std::uint32_t& count) = 0;
    // FT_ListDevices with FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER or FT_OPEN_BY_DESCRIPTION:
    // writes a NUL-terminated string of at most kFtListStringSize bytes into `buffer`.
    virtual FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) = 0;
    // FT_OpenEx with FT_OPEN_BY_SERIAL_NUMBER.
    virtual FtStatus openBySerialNumber(const char* serial, FtHandle& handle) = 0;
    virtual FtStatus close(FtHandle handle) = 0;
    virtual FtStatus getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) = 0;
    virtual FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                          std::uint32_t& got) = 0;
    virtual FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                           std::uint32_t& written) = 0;
    virtual FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) = 0;
    virtual FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                            std::uint8_t parity) = 0;
    virtual FtStatus purge(FtHandle handle, std::uint32_t mask) = 0;

    // Called whenever bytes join the receive queue, possibly from a driver thread, so the
    // editor can wake on data instead of polling the clock. Drivers that cannot tell ignore it.
    // Once it returns, the notifier it replaces is no longer called.
    virtual void setReceiveNotifier(std::function<void()> notify) { (void)notify; }
    // Blocks until the receive queue holds bytes or `timeoutMs` passes, so a synchronous reply
    // is taken the moment it arrives rather than at the next tick of a sleep. False when this
    // driver cannot wait (or the handle is not open): the caller then pauses on its own.
    virtual bool waitForReceive(FtHandle handle, int timeoutMs) {
        (void)handle;
        (void)timeoutMs;
        return false;
    }
    // Received bytes the driver had to drop since the last call because nobody read them in
    // time; drivers whose queue cannot overflow report none.
    virtual std::uint64_t takeDroppedBytes() { return 0; }

    // The details of bridge `index` of the last listing.
    virtual BridgeDetails deviceDetails(std::uint32_t index) {
        (void)index;
        return {"direct", {}, true, {}};
    }
    // What the user can do about the last open that failed (a group to join, a rule to install,
    // another program to close); empty when there is nothing to say.
    virtual std::string openAdvice() { return {}; }
    // Lines for the log since the last call: settings the driver could not make, and why.
    virtual std::vector<std::string> takeNotes() { return {}; }
};
