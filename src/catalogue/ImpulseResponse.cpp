#include "catalogue/ImpulseResponse.h"

#include "ProductData.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const IrGeometry kGeometries[] = {
    {0x27, 230, 882, 882, 3758},
    {0x29, 362, 703, 773, 3174},
    {0x2A, 370, 703, 773, 3182},
    {0x2B, 230, 912, 912, 3878},
};

constexpr int kPcm = 1;
constexpr int kFloat = 3;
constexpr int kExtensible = 0xFFFE;

std::uint32_t le(const QByteArray& bytes, qsizetype at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes.at(at + i));
    return value;
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

struct Chunk {
    qsizetype at = 0; // of its 8-byte header
    std::uint32_t size = 0;
};

// Walks the RIFF chunks from `from` to the one named `id`; chunks are padded to even sizes.
// Never looks past the end of the file, whatever a size field claims.
std::optional<Chunk> findChunk(const QByteArray& file, qsizetype from, const char* id) {
    for (qsizetype at = from; at + 8 <= file.size();) {
        const std::uint32_t size = le(file, at + 4, 4);
        if (file.mid(at, 4) == id)
            return Chunk{at, size};
        at += 8 + static_cast<qsizetype>(size) + (size & 1);
    }
    return std::nullopt;
}

struct Format {
    int code = 0; // PCM or floating point, with an extensible format's subformat taken
    int channels = 0;
    std::uint32_t sampleRate = 0;
    int blockAlign = 0;
    int bits = 0;
};

// The steps of the walk, each adding to the log; a step that fails says why in `problem`.
class IrWalk {
public:
    IrWalk(const QByteArray& file, const QString& path, const IrGeometry& geometry, IrComposition& out)
        : file_(file), name_(QFileInfo(path).fileName()), geometry_(geometry), out_(out) {}

    bool header();
    bool format();
    bool audio();
    std::optional<QString> samples();
    const Format& read() const { return format_; }

private:
    bool refuse(const QString& why) {
        out_.problem = why;
        return false;
    }
    std::optional<std::int32_t> sampleAt(qsizetype at) const;

    const QByteArray& file_;
    QString name_;
    IrGeometry geometry_;
    IrComposition& out_;
    Chunk fmt_;
    Format format_;
    QByteArray audio_;
};

bool IrWalk::header() {
    if (file_.size() >= 8) {
        out_.log << QStringLiteral("ID: ") + QString::fromLatin1(file_.left(4));
        out_.log << QStringLiteral("chunk size: %1").arg(le(file_, 4, 4));
    }
    if (file_.size() < 12 || !file_.startsWith("RIFF") || file_.mid(8, 4) != "WAVE")
        return refuse(
            QStringLiteral("%1 is not a WAV file: it does not begin with a RIFF WAVE header.").arg(name_));
    const std::optional<Chunk> fmt = findChunk(file_, 12, "fmt ");
    if (!fmt)
        return refuse(
            QStringLiteral("%1 has no format chunk (\"fmt \"), so its samples cannot be read.").arg(name_));
    fmt_ = *fmt;
    out_.log << QStringLiteral("Subchunk ID: ") + QString::fromLatin1(file_.mid(12, 4));
    return true;
}

bool IrWalk::format() {
    const qsizetype p = fmt_.at + 8;
    if (fmt_.size < 16 || p + 16 > file_.size())
        return refuse(QStringLiteral("%1 is cut short: its format chunk is incomplete.").arg(name_));
    format_ = {static_cast<int>(le(file_, p, 2)), static_cast<int>(le(file_, p + 2, 2)), le(file_, p + 4, 4),
               static_cast<int>(le(file_, p + 12, 2)), static_cast<int>(le(file_, p + 14, 2))};
    out_.log << QStringLiteral("Subchink size: %1").arg(fmt_.size)
             << QStringLiteral("Audio format: %1").arg(format_.code)
             << QStringLiteral("Num_of_channels: %1").arg(format_.channels)
             << QStringLiteral("Sample_Rate: %1").arg(format_.sampleRate)
             << QStringLiteral("Byte_Rate: %1").arg(le(file_, p + 8, 4))
             << QStringLiteral("Block align: %1").arg(format_.blockAlign)
             << QStringLiteral("Bits_per_sample: %1").arg(format_.bits);
    // An extensible format names its real one in the first two bytes of its subformat.
    if (format_.code == kExtensible && fmt_.size >= 40 && p + 26 <= file_.size())
        format_.code = static_cast<int>(le(file_, p + 24, 2));
    return true;
}

bool IrWalk::audio() {
    const std::optional<Chunk> data = findChunk(file_, fmt_.at + 8 + fmt_.size + (fmt_.size & 1), "data");
    if (!data)
        return refuse(QStringLiteral("%1 is cut short: it holds no audio data.").arg(name_));
    out_.log << QStringLiteral("subchunk2size: %1").arg(data->size);
    audio_ = file_.mid(data->at + 8, std::min<qsizetype>(data->size, file_.size() - (data->at + 8)));
    out_.log << QStringLiteral("Audio data: ") + hex(audio_);
    const bool integer = format_.code == kPcm && (format_.bits == 24 || format_.bits == 32);
    const bool floating = format_.code == kFloat && format_.bits == 32;
    if (!integer && !floating)
        return refuse(
            QStringLiteral("%1 holds %2-bit %3 samples; Load IR takes 24-bit or 32-bit ones (integer, or "
                           "32-bit floating point).")
                .arg(name_)
                .arg(format_.bits)
                .arg(format_.code == kFloat ? QStringLiteral("floating-point") : QStringLiteral("integer")));
    if (format_.channels < 1)
        return refuse(QStringLiteral("%1 says it has no channels.").arg(name_));
    return true;
}

// A sample as a 24-bit value. Floating point is scaled to it; a 32-bit integer keeps its top 24
// bits, as the pedal's table takes them.
std::optional<std::int32_t> IrWalk::sampleAt(qsizetype at) const {
    const int bytes = format_.bits / 8;
    if (at + bytes > audio_.size())
        return std::nullopt;
    if (format_.code == kFloat) {
        float f = 0;
        const std::uint32_t bits = le(audio_, at, 4);
        std::memcpy(&f, &bits, sizeof f);
        const double v = std::isfinite(f) ? std::nearbyint(double(f) * 8388608.0) : 0.0;
        return static_cast<std::int32_t>(std::clamp(v, -8388608.0, 8388607.0));
    }
    const std::uint32_t raw = le(audio_, at, bytes);
    const std::uint32_t top = bytes == 4 ? raw >> 8 : raw;
    return static_cast<std::int32_t>(top << 8) >> 8; // sign-extend 24 bits
}

// The first channel of each frame: a stereo file's right channel would otherwise alternate
// with its left in the table.
std::optional<QString> IrWalk::samples() {
    const int bytes = format_.bits / 8;
    const int frame = std::max(format_.blockAlign, format_.channels * bytes);
    const qsizetype available = audio_.size() / frame;
    if (available < geometry_.words) {
        refuse(QStringLiteral("%1 holds %2 samples; this effect's impulse response needs %3.")
                   .arg(name_)
                   .arg(available)
                   .arg(geometry_.words));
        return std::nullopt;
    }
    QByteArray taken;
    for (qsizetype i = 0; i < std::min<qsizetype>(available, geometry_.samplesTaken); ++i) {
        const std::int32_t v = *sampleAt(i * frame);
        for (int shift = 0; shift < 24; shift += 8)
            taken.append(static_cast<char>((v >> shift) & 0xFF));
    }
    return hex(taken);
}

std::optional<QString> storedProgram(const QString& effectName, const IrGeometry& g) {
    const std::optional<QByteArray> text = ProductData::raw(ProductData::baseName(effectName));
    if (!text)
        return std::nullopt;
    const QString program = ProductData::splitLines(*text).value(0);
    if (program.size() < 2 * g.tableEnd)
        return std::nullopt;
    return program;
}

} // namespace

std::optional<IrGeometry> irGeometry(int catalogueIndex) {
    for (const IrGeometry& g : kGeometries)
        if (g.effectIndex == catalogueIndex)
            return g;
    return std::nullopt;
}

std::optional<IrGeometry> irGeometryOf(const QString& displayName) {
    return irGeometry(ProductData::catalogueIndexOf(displayName));
}

QStringList impulseResponseEffects() {
    const std::optional<QByteArray> list = ProductData::raw(QStringLiteral("effect_list"));
    const QStringList lines = list ? ProductData::splitLines(*list) : QStringList();
    QStringList names;
    for (const IrGeometry& g : kGeometries)
        names << ProductData::catalogueLineName(lines.value(g.effectIndex));
    return names;
}

std::optional<QString> convert_ir_samples(const QString& samples, int bitsPerSample, int words,
                                          QStringList* log) {
    if (bitsPerSample != 24 && bitsPerSample != 32)
        return std::nullopt;
    const int digits = bitsPerSample / 4;
    if (samples.size() < static_cast<qsizetype>(words) * digits)
        return std::nullopt;
    QString result;
    for (int w = 0; w < words; ++w) {
        const QString sample = samples.mid(static_cast<qsizetype>(w) * digits, digits);
        // Least significant byte first in the file; the table wants the top three, big-endian.
        const QString b3 = sample.mid(digits - 2, 2), b2 = sample.mid(digits - 4, 2),
                      b1 = sample.mid(digits - 6, 2);
        const QString sign = b3.toUInt(nullptr, 16) >= 0x80 ? QStringLiteral("FF") : QStringLiteral("00");
        const QString word = (sign + b3 + b2 + b1).toUpper();
        if (log)
            *log << word;
        result += word;
    }
    return result;
}

IrComposition composeImpulseResponse(const QByteArray& file, const QString& path, const QString& effectName) {
    IrComposition out;
    const std::optional<IrGeometry> g = irGeometryOf(effectName);
    if (!g) {
        out.problem =
            QStringLiteral("Load IR is for the effects that take an impulse response: %1. Select one of them "
                           "in the Impulse Response category first.")
                .arg(impulseResponseEffects().join(QStringLiteral(", ")));
        return out;
    }
    out.log << path << QFileInfo(path).fileName() << QString::number(file.size()) << hex(file);
    IrWalk walk(file, path, *g, out);
    if (!walk.header() || !walk.format() || !walk.audio())
        return out;
    const std::optional<QString> samples = walk.samples();
    if (!samples)
        return out;
    out.log << QStringLiteral("irdata: ") + *samples;
    const QString words = *convert_ir_samples(*samples, 24, g->words, &out.log);
    out.log << QStringLiteral("irdata swapped endianess: ") + words;
    const std::optional<QString> program = storedProgram(effectName, *g);
    if (!program) {
        out.problem = QStringLiteral("The program of %1 is not in this editor's data.").arg(effectName);
        return out;
    }
    out.programText = program->left(2 * g->tableStart) + words + program->mid(2 * g->tableEnd);
    out.log << out.programText;
    out.summary = QStringLiteral(
                      "Selected file data:\r\nName: %1\r\nSize: %2\r\nSample rate: %3\r\nBits per sample: %4")
                      .arg(QFileInfo(path).fileName())
                      .arg(file.size())
                      .arg(walk.read().sampleRate)
                      .arg(walk.read().bits);
    return out;
}

IrComposition composeImpulseResponseFromFile(const QString& path, const QString& effectName) {
    QFile file(path);
    IrComposition refused;
    if (!file.open(QIODevice::ReadOnly)) {
        refused.problem = QStringLiteral("Error loading file: ") + file.errorString();
        return refused;
    }
    if (file.size() > kMaxImpulseResponseFileBytes) {
        refused.problem = QStringLiteral("%1 is %2 bytes long: too large for an impulse response, which is "
                                         "a few thousand samples.")
                              .arg(path)
                              .arg(file.size());
        return refused;
    }
    return composeImpulseResponse(file.readAll(), path, effectName);
}
