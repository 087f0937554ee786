#pragma once

#include "app/EditorForm.h"

// Impulse response window.
class TformImpulseResponse : public EditorForm {
    Q_OBJECT
public:
    TformImpulseResponse(EditorContext& context, EditorWindows& windows);
};
