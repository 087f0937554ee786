#pragma once

#include <QString>
#include <array>

// The browser's category rows, in the order they are shown; a row's resource is found from its
// display name by the naming rule.
inline const std::array<QString, 7> categoryNames = {
    QStringLiteral("Gain"),   QStringLiteral("Modulation"), QStringLiteral("Synthesis"),
    QStringLiteral("Filter"), QStringLiteral("Dynamic"),    QStringLiteral("Impulse Response"),
    QStringLiteral("Other"),
};
