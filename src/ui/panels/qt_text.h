#pragma once

#include <string>
#include <string_view>

#include <QString>

// Record texts are byte strings in the system's character set.
inline QString ToQString(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) { return text.toLocal8Bit().toStdString(); }
