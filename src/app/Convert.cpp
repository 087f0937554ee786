#include "app/Convert.h"

int StrToInt(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}
