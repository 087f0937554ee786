#include "base/Convert.h"

int strToInt(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

int hexToInt(const QString& text) {
    bool ok = false;
    const QString digits = text.trimmed();
    const int value = digits.startsWith(u'-') || digits.startsWith(u'+') ? 0 : digits.toInt(&ok, 16);
    if (!ok)
        throw ConversionError(QStringLiteral("'$%1' is not a valid integer value").arg(text));
    return value;
}

QString intToHex(unsigned long long value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QChar(u'0')).toUpper();
}
