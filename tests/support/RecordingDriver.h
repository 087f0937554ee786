#pragma once

#include "link/ForwardingDriver.h"

#include <QByteArray>
#include <vector>

// Passes every call to another driver and keeps each write, so a test sees the exact bytes the
// editor put on the wire whatever answers them.
class RecordingDriver : public ForwardingDriver {
public:
    explicit RecordingDriver(FtDriver& inner) : ForwardingDriver(&inner) {}

    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& written) override {
        writes.emplace_back(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count));
        return ForwardingDriver::write(handle, buffer, count, written);
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
};
