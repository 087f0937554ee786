#pragma once

#include "link/FtDriver.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

// A scriptable bridge driver: lists the bridges it is given, records every call and every byte
// written, hands out queued replies one chunk per read, and fails any call on demand.
class FakeFtDriver : public FtDriver {
public:
    struct Bridge {
        std::string serial;
        std::string description;
    };

    FtStatus listDeviceCount(std::uint32_t& count) override {
        calls << QStringLiteral("ListDevices(count)");
        if (auto s = failure("count"))
            return s;
        count = static_cast<std::uint32_t>(bridges.size());
        return FT_OK;
    }
    FtStatus listDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override {
        const bool serial = (flags & FT_OPEN_BY_SERIAL_NUMBER) != 0;
        calls << QStringLiteral("ListDevices(%1,%2)").arg(index).arg(serial ? "serial" : "description");
        if (auto s = failure(serial ? "serial" : "description"))
            return s;
        if (index >= bridges.size())
            return FT_DEVICE_NOT_FOUND;
        const std::string& text = serial ? bridges[index].serial : bridges[index].description;
        const std::size_t n = std::min<std::size_t>(text.size(), kFtListStringSize - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
        return FT_OK;
    }
    FtStatus openBySerialNumber(const char* serial, FtHandle& handle) override {
        calls << QStringLiteral("OpenEx(%1)").arg(QString::fromLatin1(serial));
        openedSerials.push_back(serial);
        if (auto s = failure("open"))
            return s;
        for (const Bridge& b : bridges)
            if (b.serial == serial) {
                handle = nextHandle++;
                open = true;
                return FT_OK;
            }
        return FT_DEVICE_NOT_FOUND;
    }
    FtStatus close(FtHandle) override {
        calls << QStringLiteral("Close");
        if (auto s = failure("close"))
            return s;
        open = false;
        return FT_OK;
    }
    FtStatus getQueueStatus(FtHandle, std::uint32_t& rxBytes) override {
        if (auto s = failure("queue"))
            return s;
        rxBytes = replies.empty() ? 0 : static_cast<std::uint32_t>(replies.front().size());
        return FT_OK;
    }
    FtStatus read(FtHandle, std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& got) override {
        got = 0;
        if (auto s = failure("read"))
            return s;
        if (replies.empty() || toRead == 0)
            return FT_OK;
        QByteArray& chunk = replies.front();
        got = std::min<std::uint32_t>(toRead, static_cast<std::uint32_t>(chunk.size()));
        std::memcpy(buffer, chunk.constData(), got);
        chunk.remove(0, got);
        if (chunk.isEmpty())
            replies.pop_front();
        return FT_OK;
    }
    FtStatus write(FtHandle, const std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& written) override {
        calls << QStringLiteral("Write(%1)").arg(count);
        written = 0;
        if (auto s = failure("write"))
            return s;
        const QByteArray bytes(reinterpret_cast<const char*>(buffer), count);
        writes.push_back(bytes);
        written = count;
        if (onWrite)
            onWrite(bytes);
        return FT_OK;
    }
    FtStatus setBaudRate(FtHandle, std::uint32_t baud) override {
        calls << QStringLiteral("SetBaudRate(%1)").arg(baud);
        return failure("baud");
    }
    FtStatus setDataCharacteristics(FtHandle, std::uint8_t w, std::uint8_t s, std::uint8_t p) override {
        calls << QStringLiteral("SetDataCharacteristics(%1,%2,%3)").arg(w).arg(s).arg(p);
        return failure("data");
    }
    FtStatus purge(FtHandle, std::uint32_t mask) override {
        calls << QStringLiteral("Purge(%1)").arg(mask);
        return failure("purge");
    }

    // Queues one chunk: a read hands out at most one chunk, as bytes arrive in USB packets.
    void queueReply(const QByteArray& chunk) {
        replies.push_back(chunk);
        if (notify)
            notify();
    }
    void setReceiveNotifier(std::function<void()> n) override { notify = std::move(n); }
    BridgeDetails deviceDetails(std::uint32_t index) override {
        const auto it = details.find(index);
        return it == details.end() ? BridgeDetails{"direct", {}, true, {}} : it->second;
    }
    std::string openAdvice() override { return advice; }
    void failOn(const std::string& call, FtStatus status) { failures[call] = status; }

    std::vector<Bridge> bridges;
    std::map<std::uint32_t, BridgeDetails> details; // by index; "direct", accessible, when absent
    std::string advice;
    std::deque<QByteArray> replies;
    std::vector<QByteArray> writes;
    std::vector<std::string> openedSerials;
    QStringList calls;
    std::function<void(const QByteArray&)> onWrite;
    std::function<void()> notify;
    bool open = false;
    FtHandle nextHandle = 0x00C0FFEE;

private:
    FtStatus failure(const std::string& call) const {
        auto it = failures.find(call);
        return it == failures.end() ? FT_OK : it->second;
    }
    std::map<std::string, FtStatus> failures;
};
