#pragma once

#include <QString>

// The program's own help: what `tarvo-max --help` prints.
QString usageText();
// What `tarvo-max COMMAND --help` prints; empty for a command there is none of.
QString commandHelp(const QString& command);
