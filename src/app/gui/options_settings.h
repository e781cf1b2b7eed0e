#pragma once

#include <QString>

#include "workers/options.h"

// The Options as kept with QSettings (INI format) in the user's
// configuration folder, never in the data folder.

// "<configuration folder>/tarrawick/options.conf".
QString DefaultOptionsFile();

// The options the file holds. A file that cannot be read or parsed gives
// the defaults, and a value that is missing, not a number or out of range
// gives its own default; nothing is written back.
Options LoadOptions(const QString& file);

// Writes every option; false when the file could not be written.
bool SaveOptions(const QString& file, const Options& options);
