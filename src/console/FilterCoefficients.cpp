#include "console/FilterCoefficients.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr double kSampleRate = 48000.0;
constexpr double kReferenceFrequency = 110.0;
constexpr double kFixedPointScale = 8388608.0; // 2^23
constexpr double kOutputGainDb = 0.0;

QString quoted(const QStringList& pairs) {
    QStringList items;
    for (const QString& pair : pairs)
        items << QLatin1Char('\'') + pair + QLatin1Char('\'');
    return items.join(QStringLiteral(", "));
}

} // namespace

const QStringList& noteNames() {
    static const QStringList names = [] {
        const QStringList pitches = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
        QStringList all;
        for (int i = 0; i < 48; ++i) {
            // The octave number changes at C: A1, A#1, B1, then C2.
            const int octave = 1 + (i + 9) / 12;
            all << pitches.at(i % 12) + QString::number(octave);
        }
        return all;
    }();
    return names;
}

double noteFrequency(int noteIndex) {
    return kReferenceFrequency * std::pow(2.0, (noteIndex - kReferenceNoteIndex) / 12.0);
}

bool isQualityFactor(double q) {
    return std::isfinite(q) && q > 0;
}

std::optional<PeakingFilter> peakingFilter(double frequency, double q, double boostDb) {
    if (!isQualityFactor(q))
        return std::nullopt;
    const double a = std::pow(10.0, boostDb / 40.0);
    const double w0 = 2.0 * std::numbers::pi * frequency / kSampleRate;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const double alpha = s / (2.0 * q);
    const double a0 = 1.0 + alpha / a;
    const double g = std::pow(10.0, kOutputGainDb / 20.0) / a0;
    const PeakingFilter f{(1.0 + alpha * a) * g, -2.0 * c * g, (1.0 - alpha * a) * g, 2.0 * c / a0,
                          -(1.0 - alpha / a) / a0};
    for (double k : {f.b0, f.b1, f.b2, f.a1, f.a2})
        if (!std::isfinite(k))
            return std::nullopt;
    return f;
}

QStringList fixedPointPairs(double coefficient) {
    // The low 32 bits of any size of number: the remainder of a division by 2^32, which is exact
    // for a double (one beyond 2^53 is a whole number already).
    constexpr double kWord = 4294967296.0;
    const double scaled = std::nearbyint(coefficient * kFixedPointScale);
    double low = std::isfinite(scaled) ? std::fmod(scaled, kWord) : 0.0;
    if (low < 0)
        low += kWord;
    const auto word = static_cast<std::uint32_t>(low);
    QStringList pairs;
    for (int shift = 24; shift >= 0; shift -= 8)
        pairs << QStringLiteral("%1").arg((word >> shift) & 0xFF, 2, 16, QChar(u'0')).toUpper();
    return pairs;
}

QStringList coefficientTable(const QString& noteName, double boostDb, double q, const PeakingFilter& filter,
                             const QLocale& locale) {
    const QString header =
        noteName + QLatin1Char('_') + generalNumber(std::fabs(boostDb), locale) + QStringLiteral("db_") +
        (boostDb < 0 ? QStringLiteral("cut") : QStringLiteral("boost")) + QStringLiteral("_Q") +
        generalNumber(q, locale) + QStringLiteral(" : array[0..19] of string =");
    const QString separator = QStringLiteral(", ");
    return {header,
            QLatin1Char('(') + quoted(fixedPointPairs(filter.b0)) + separator,
            quoted(fixedPointPairs(filter.b1)) + separator,
            quoted(fixedPointPairs(filter.b2)) + separator,
            quoted(fixedPointPairs(filter.a1)) + separator,
            quoted(fixedPointPairs(filter.a2)) + QStringLiteral(");")};
}

QString generalNumber(double value, const QLocale& locale) {
    QLocale ungrouped = locale;
    ungrouped.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return ungrouped.toString(value, 'g', 15);
}

std::optional<double> numberFromText(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
