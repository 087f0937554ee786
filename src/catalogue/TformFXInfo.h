#pragma once

#include "app/EditorForm.h"

// Effect information window.
class TformFXInfo : public EditorForm {
    Q_OBJECT
public:
    TformFXInfo(EditorContext& context, EditorWindows& windows);
};
