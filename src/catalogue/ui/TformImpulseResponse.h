#pragma once

#include "ui/EditorForm.h"

// Impulse response window.
class TformImpulseResponse : public EditorForm {
    Q_OBJECT
public:
    explicit TformImpulseResponse(EditorContext& context);
};
