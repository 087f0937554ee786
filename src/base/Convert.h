#pragma once

#include <QString>
#include <stdexcept>

// A text that cannot be turned into a number ends the running handler; the guard around every
// handler catches this and hands its text to the general error report.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// Decimal integer with an optional sign and surrounding blanks; throws ConversionError with the
// familiar "'x' is not a valid integer value" text otherwise.
int strToInt(const QString& text);
// Hexadecimal integer (digits 0-9, A-F, a-f, surrounding blanks allowed); throws like strToInt.
int hexToInt(const QString& text);

// Upper-case hexadecimal with at least `digits` digits, as the log shows handles and codes.
QString intToHex(unsigned long long value, int digits);
