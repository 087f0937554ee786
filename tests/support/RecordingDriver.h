#pragma once

#include "link/FtDriver.h"

#include <QByteArray>
#include <vector>

// Passes every call to another driver and keeps each write, so a test sees the exact bytes the
// editor put on the wire whatever answers them.
class RecordingDriver : public FtDriver {
public:
    explicit RecordingDriver(FtDriver& inner) : inner_(inner) {}

    FtStatus listDeviceCount(std::uint32_t& count) override { return inner_.listDeviceCount(count); }
    FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override {
        return inner_.listDeviceByIndex(index, buffer, flags);
    }
    FtStatus openBySerialNumber(const char* serial, FtHandle& handle) override {
        return inner_.openBySerialNumber(serial, handle);
    }
    FtStatus close(FtHandle handle) override { return inner_.close(handle); }
    FtStatus getQueueStatus(FtHandle handle, std::uint32_t& rxBytes) override {
        return inner_.getQueueStatus(handle, rxBytes);
    }
    FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& got) override {
        return inner_.read(handle, buffer, toRead, got);
    }
    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& written) override {
        writes.emplace_back(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count));
        return inner_.write(handle, buffer, count, written);
    }
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baudRate) override {
        return inner_.setBaudRate(handle, baudRate);
    }
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t w, std::uint8_t s,
                                    std::uint8_t p) override {
        return inner_.setDataCharacteristics(handle, w, s, p);
    }
    FtStatus purge(FtHandle handle, std::uint32_t mask) override { return inner_.purge(handle, mask); }
    void setReceiveNotifier(std::function<void()> notify) override {
        inner_.setReceiveNotifier(std::move(notify));
    }

    // The writes since the last call, hex-encoded upper case, one entry per write.
    std::vector<QByteArray> take() {
        std::vector<QByteArray> hex;
        for (const QByteArray& w : writes)
            hex.push_back(w.toHex().toUpper());
        writes.clear();
        return hex;
    }

    std::vector<QByteArray> writes;

private:
    FtDriver& inner_;
};
