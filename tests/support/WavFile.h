#pragma once

// WAV files made byte by byte, so that a test says exactly what the header holds.

#include <QByteArray>
#include <cstdint>

inline void putLe(QByteArray& b, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline QByteArray chunk(const char* id, const QByteArray& payload) {
    QByteArray c(id, 4);
    putLe(c, static_cast<std::uint32_t>(payload.size()), 4);
    return c + payload + (payload.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

struct Wav {
    int format = 1; // PCM; 3 float; 0xFFFE extensible
    int channels = 1;
    int bits = 24;
    QByteArray data;
    QByteArray before; // chunks between the RIFF header and "fmt "

    QByteArray bytes() const {
        QByteArray fmt;
        putLe(fmt, static_cast<std::uint32_t>(format), 2);
        putLe(fmt, static_cast<std::uint32_t>(channels), 2);
        putLe(fmt, 48000, 4);
        putLe(fmt, static_cast<std::uint32_t>(48000 * channels * bits / 8), 4);
        putLe(fmt, static_cast<std::uint32_t>(channels * bits / 8), 2);
        putLe(fmt, static_cast<std::uint32_t>(bits), 2);
        if (format == 0xFFFE) { // 40 bytes: cbSize, valid bits, channel mask, subformat (PCM)
            putLe(fmt, 22, 2);
            putLe(fmt, static_cast<std::uint32_t>(bits), 2);
            putLe(fmt, 4, 4);
            putLe(fmt, 1, 2);
            fmt += QByteArray::fromHex("000000001000800000AA00389B71");
        }
        const QByteArray body = "WAVE" + before + chunk("fmt ", fmt) + chunk("data", data);
        QByteArray riff("RIFF");
        putLe(riff, static_cast<std::uint32_t>(body.size()), 4);
        return riff + body;
    }
};

// n 24-bit samples: sample i is i * 1000 - 400000, negative ones included.
inline QByteArray samples24(int n, int channels = 1) {
    QByteArray d;
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            putLe(d, static_cast<std::uint32_t>(c == 0 ? i * 1000 - 400000 : 0x123456), 3);
    return d;
}
