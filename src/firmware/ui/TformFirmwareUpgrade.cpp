#include "firmware/ui/TformFirmwareUpgrade.h"

TformFirmwareUpgrade::TformFirmwareUpgrade(EditorContext& context)
    : EditorForm(context, QStringLiteral("formFirmwareUpgrade"), QStringLiteral("Firmware Upgrade"),
                 QSize(158, 143), QPoint(400, 200)) {}
