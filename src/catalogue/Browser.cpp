#include "catalogue/Browser.h"

#include "base/ConsoleLog.h"
#include "catalogue/ResourceStore.h"

QList<EffectRow> effectRows(ResourceStore& resources, ConsoleLog& log, const QStringList& lines,
                            bool bankMode) {
    QList<EffectRow> rows;
    for (const QString& name : lines) {
        EffectRow row{name, true};
        if (bankMode && resources.get_effect_size(name) > kBankProgramLimit) {
            log.log(QStringLiteral("size of ") + name + QStringLiteral(" exceed 5440 bytes"));
            row.enabled = false;
        }
        rows << row;
    }
    return rows;
}
