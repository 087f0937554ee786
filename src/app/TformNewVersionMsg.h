#pragma once

#include "ui/EditorForm.h"

// New version window.
class TformNewVersionMsg : public EditorForm {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(EditorContext& context);
};
