#include "catalogue/TformImpulseResponse.h"

TformImpulseResponse::TformImpulseResponse(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formImpulseResponse"), QStringLiteral("IR"),
                 QSize(200, 100), QPoint(450, 200)) {}
