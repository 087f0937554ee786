#pragma once

#include "ui/EditorForm.h"

// The impulse-response loader. The window itself is never shown: it holds the file dialog, and
// Load IR in the main window's File menu runs its routine.
class TformImpulseResponse : public EditorForm {
    Q_OBJECT
public:
    explicit TformImpulseResponse(EditorContext& context);

    // Asks for a WAV file and makes its first samples the IR table of the selected effect's
    // program, which the next upload in the Impulse Response category sends. A file that will
    // not do is refused with the reason, and the program composed before stays.
    void load_impulse_response();
};
