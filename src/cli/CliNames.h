#pragma once

#include "params/EffectControls.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The words the command line takes and prints for what the catalogue and the pedal name:
// effects, kinds of parameter, controls and indicators, banks.

// A parameter's kind, as state --json and the protocol log call it.
QString kindName(ControlInfo::Kind kind);

// "I", "II", "III" for the bank index 0 to 2; the number itself for anything else.
QString bankName(int bank);
