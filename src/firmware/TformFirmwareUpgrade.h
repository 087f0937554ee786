#pragma once

#include "app/EditorForm.h"

// Firmware flashing window.
class TformFirmwareUpgrade : public EditorForm {
    Q_OBJECT
public:
    TformFirmwareUpgrade(EditorContext& context, EditorWindows& windows);
};
