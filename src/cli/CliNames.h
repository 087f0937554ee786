#pragma once

#include "params/EffectControls.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The words the command line takes and prints for what the catalogue and the pedal name:
// effects, kinds of parameter, controls and indicators, banks.

// The catalogue's effects by display name, in catalogue order, without its "no effect" entry.
QStringList catalogueEffectNames();
// The name among `names` that `typed` means, letter case aside; empty when none.
QString effectNamed(const QString& typed, const QStringList& names);
// Up to three names that look like what was typed (a few edits away, or containing it),
// the closest first: for the line that says there is no such effect.
QStringList namesLike(const QString& typed, const QStringList& names);
// "A", "A or B", "A, B or C".
QString orList(const QStringList& items);

// The position in an item list (assignItems and the like, whose last item "--" means none) of
// what was typed, letter case aside; "none" also means the last. -1 when it is none of them.
int itemNamed(const QStringList& items, const QString& typed);
// How an item shows: its text, "none" for the last, or "code N" for a code outside the list.
QString itemText(const QStringList& items, int item, std::uint8_t code);

// "I", "II", "III" for the bank index 0 to 2; the number itself for anything else.
QString bankName(int bank);

// The text as one line: a line end or other control character in it (from a garbled reply of
// the pedal, say) shows as its escape, \r, \n, \t or \xNN, so a message is always one line.
QString oneLine(const QString& text);
