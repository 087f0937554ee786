#include "firmware/TformFirmwareUpgrade.h"

TformFirmwareUpgrade::TformFirmwareUpgrade(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formFirmwareUpgrade"), QStringLiteral("Firmware Upgrade"),
                 QSize(158, 143), QPoint(400, 200)) {}
