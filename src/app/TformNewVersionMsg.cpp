#include "app/TformNewVersionMsg.h"

TformNewVersionMsg::TformNewVersionMsg(EditorContext& context)
    : EditorForm(context, QStringLiteral("formNewVersionMsg"), QStringLiteral("New Version"), QSize(282, 151),
                 QPoint(450, 25)) {}
