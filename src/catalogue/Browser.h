#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class ConsoleLog;
class ResourceStore;

// A bank holds programs of up to this many bytes.
inline constexpr int kBankProgramLimit = 5440;

struct EffectRow {
    QString name;
    bool enabled = true;
};

// The rows of the effect list for a category's lines. In bank mode a program larger than a bank
// is greyed, and said so in the log; every row then costs one more read, of its program.
QList<EffectRow> effectRows(ResourceStore& resources, ConsoleLog& log, const QStringList& lines,
                            bool bankMode);
