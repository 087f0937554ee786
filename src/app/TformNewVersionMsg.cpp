#include "app/TformNewVersionMsg.h"

TformNewVersionMsg::TformNewVersionMsg(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formNewVersionMsg"), QStringLiteral("New Version"),
                 QSize(282, 151), QPoint(450, 25)) {}
