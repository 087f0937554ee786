#pragma once

#include <QString>
#include <array>
#include <cstddef>

struct Category {
    QString displayName;
    // The name its row handler reads the category's list by; stored upper case, found in any.
    QString resourceName;
};

// The browser's category rows, in the order they are shown. The product data generator writes
// the category lists from the same table.
inline const std::array<Category, 7> categoryNames = {{
    {QStringLiteral("Gain"), QStringLiteral("gain")},
    {QStringLiteral("Modulation"), QStringLiteral("modulation")},
    {QStringLiteral("Synthesis"), QStringLiteral("synthesis")},
    {QStringLiteral("Filter"), QStringLiteral("filter")},
    {QStringLiteral("Dynamic"), QStringLiteral("dynamic")},
    {QStringLiteral("Impulse Response"), QStringLiteral("impulse_response")},
    {QStringLiteral("Other"), QStringLiteral("other")},
}};

// The row of the effects that take an impulse response: its handler explains how to load one.
inline constexpr std::size_t kImpulseResponseCategory = 5;
