#include "params/TformFXParameters.h"

TformFXParameters::TformFXParameters(EditorContext& context, EditorWindows& windows)
    : EditorForm(context, windows, QStringLiteral("formFXParameters"), QStringLiteral("FX Parameters"),
                 QSize(420, 300), QPoint(440, 31)) {}

void TformFXParameters::EnableDisableControls(bool enable) {
    for (QWidget* child : findChildren<QWidget*>())
        child->setEnabled(enable);
}
