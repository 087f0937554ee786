#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

// A developer's tool: the coefficients of a second-order peaking equaliser for a note, a quality
// factor and a boost or cut, at the pedal's 48 kHz, as the fixed-point table its programs take.

// A1 to G#5 in semitone steps, sharps written with "#".
const QStringList& noteNames();
// A2, 110 Hz: the note the others are counted from.
inline constexpr int kReferenceNoteIndex = 12;

// 110 Hz x 2^((index - 12) / 12): 55 Hz for A1, 440 Hz for A4.
double noteFrequency(int noteIndex);

struct PeakingFilter {
    double b0 = 0, b1 = 0, b2 = 0;
    double a1 = 0, a2 = 0; // the feedback coefficients, normalised and with their signs inverted
};
// Whether a quality factor makes a peaking filter: a number above 0 (0 divides by zero, and a
// negative one turns the filter inside out). The window and the command line refuse alike.
bool isQualityFactor(double q);
inline const QString kQualityFactorRule = QStringLiteral("Q must be greater than 0");

// The peaking equaliser at 48 kHz with an output gain of 0 dB. Nothing for a Q that is no
// quality factor, or when the coefficients are not all finite numbers: a table of infinities is
// no table.
std::optional<PeakingFilter> peakingFilter(double frequency, double q, double boostDb);

// A coefficient with 23 fractional bits, rounded to the nearest (halves to even), its low 32 bits
// (the value modulo 2^32, whatever its size) as four two-digit hex pairs, most significant first.
QStringList fixedPointPairs(double coefficient);

// The six lines the console logs: the header naming the note, the boost or cut and Q, then b0,
// b1, b2, a1 and a2, twenty quoted pairs in all.
// Numbers in the header are written as generalNumber writes them in `locale`.
QStringList coefficientTable(const QString& noteName, double boostDb, double q, const PeakingFilter& filter,
                             const QLocale& locale = QLocale());

// A number as the tool shows it: up to 15 significant digits, no trailing zeros, the locale's
// decimal separator, and no grouping of digits in any locale (1234.5, not 1,234.5).
QString generalNumber(double value, const QLocale& locale = QLocale());
// The number an edit box holds, read with the locale's decimal separator; nothing when it holds
// none.
std::optional<double> numberFromText(const QString& text);
