#pragma once

#include <QString>

class QSettings;

// The value of the key as the text written in the file. QSettings reads an
// unquoted INI value that holds a comma as a list of texts; it is joined
// again with commas, so that a line written by hand keeps its value. An
// empty text when the key is missing.
QString SettingText(const QSettings& settings, const QString& key);
