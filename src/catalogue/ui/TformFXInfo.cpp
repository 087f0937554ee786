#include "catalogue/ui/TformFXInfo.h"

TformFXInfo::TformFXInfo(EditorContext& context)
    : EditorForm(context, QStringLiteral("formFXInfo"), QStringLiteral("Form1"), QSize(335, 480),
                 QPoint(450, 31)) {}
