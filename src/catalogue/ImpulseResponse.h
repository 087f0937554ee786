#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Where an impulse-response effect's program keeps its IR table: byte offsets in the program, the
// words in the table, and how many samples of the file are taken for it.
struct IrGeometry {
    int effectIndex;
    int tableStart;   // first byte of the table
    int words;        // 32-bit words in the table, one per sample
    int samplesTaken; // samples copied from the file (the table uses the first `words`)
    int tableEnd;     // the table ends before this byte
};

// The geometry of the effect with that catalogue index or display name; nothing for an effect
// that takes no impulse response.
std::optional<IrGeometry> irGeometry(int catalogueIndex);
std::optional<IrGeometry> irGeometryOf(const QString& displayName);
// The display names of the effects that take one, for telling the user.
QStringList impulseResponseEffects();

// Sample text (two hex digits a byte, least significant byte first, one sample after another) to
// IR table words: each sample's 24 most significant bits, sign-extended, big-endian, as eight
// hex digits; exactly `words` of them. 24 and 32 bits a sample are understood; nothing comes of
// any other depth or of too few samples. Each word goes to `log` as it is made.
std::optional<QString> convert_ir_samples(const QString& samples, int bitsPerSample, int words,
                                          QStringList* log);

// What Load IR makes of a WAV file for an effect: the log of the header walk, and either the
// program with its IR table replaced (exactly as long as the stored program) and the summary
// shown to the user, or why the file was refused.
struct IrComposition {
    QStringList log;
    QString problem;
    QString programText;
    QString summary;
};
IrComposition composeImpulseResponse(const QByteArray& file, const QString& path, const QString& effectName);
// The same for the file at `path`, read here; one that cannot be opened or is too large to be an
// impulse response is refused without being read.
IrComposition composeImpulseResponseFromFile(const QString& path, const QString& effectName);

// A WAV file larger than this is no impulse response (which is a few thousand samples), and is
// not read whole.
inline constexpr qint64 kMaxImpulseResponseFileBytes = 16 * 1024 * 1024;
