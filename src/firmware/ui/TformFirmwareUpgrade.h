#pragma once

#include "ui/EditorForm.h"

// Firmware flashing window.
class TformFirmwareUpgrade : public EditorForm {
    Q_OBJECT
public:
    explicit TformFirmwareUpgrade(EditorContext& context);
};
