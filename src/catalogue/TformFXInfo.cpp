#include "catalogue/TformFXInfo.h"

TformFXInfo::TformFXInfo(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formFXInfo"), QStringLiteral("Form1"), QSize(335, 480),
                 QPoint(450, 31)) {}
