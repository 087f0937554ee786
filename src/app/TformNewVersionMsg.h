#pragma once

#include "app/EditorForm.h"

// New version window.
class TformNewVersionMsg : public EditorForm {
    Q_OBJECT
public:
    TformNewVersionMsg(EditorContext& context, EditorWindows& windows);
};
