#include "catalogue/ui/TformImpulseResponse.h"

#include "catalogue/ImpulseResponse.h"

TformImpulseResponse::TformImpulseResponse(EditorContext& context)
    : EditorForm(context, QStringLiteral("formImpulseResponse"), QStringLiteral("IR"), QSize(200, 100),
                 QPoint(450, 200)) {}

void TformImpulseResponse::load_impulse_response() {
    const QString effect = ctx.state.selectedEffectName;
    // Without an effect that takes one there is no table to fill: say which effects do.
    if (!irGeometryOf(effect)) {
        ctx.services.showMessage(composeImpulseResponse({}, {}, effect).problem);
        return;
    }
    const QString path = ctx.services.openFileName(QString(), QStringLiteral("Wave Files (*.wav)"));
    if (path.isEmpty())
        return;
    const IrComposition ir = composeImpulseResponseFromFile(path, effect);
    ctx.console.logLines(ir.log);
    if (!ir.problem.isEmpty()) {
        ctx.services.showMessage(ir.problem);
        return;
    }
    ctx.state.irProgramText = ir.programText;
    ctx.services.showMessage(ir.summary);
}
