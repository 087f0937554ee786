#pragma once

#include "ui/EditorForm.h"

// Effect information window.
class TformFXInfo : public EditorForm {
    Q_OBJECT
public:
    explicit TformFXInfo(EditorContext& context);
};
