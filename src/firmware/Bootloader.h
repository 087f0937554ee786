#pragma once

#include <QString>

struct EditorContext;

// Switches the line to the bootloader's even parity and sends it the synchronisation byte.
// Returns the first byte of its answer as two hex digits ("79" is its acknowledge), empty when
// nothing came; logs it as Link does.
QString syncBootloader(EditorContext& ctx);
