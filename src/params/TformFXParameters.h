#pragma once

#include "app/EditorForm.h"

// Parameter editor window.
class TformFXParameters : public EditorForm {
    Q_OBJECT
public:
    TformFXParameters(EditorContext& context, EditorWindows& windows);

    // Enables or disables every parameter control at once.
    void EnableDisableControls(bool enable);
};
