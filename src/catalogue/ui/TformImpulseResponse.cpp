#include "catalogue/ui/TformImpulseResponse.h"

TformImpulseResponse::TformImpulseResponse(EditorContext& context)
    : EditorForm(context, QStringLiteral("formImpulseResponse"), QStringLiteral("IR"), QSize(200, 100),
                 QPoint(450, 200)) {}
