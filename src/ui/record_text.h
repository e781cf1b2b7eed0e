#pragma once

#include <string>
#include <string_view>

#include <QString>
#include <QStringView>

// The one crossing between the bytes that records, list files and servers
// carry and the texts the windows show. Bytes that form UTF-8 are shown as
// their characters; every other byte becomes one character of its own, a
// lone low surrogate (U+DC80 to U+DCFF) that no UTF-8 decodes to. The way
// back turns those characters into their bytes again, so a row's or a
// field's text always leads back to the exact bytes it was made from
// (a Latin-1 name from a list file, raw bytes in a result link).
QString TextFromRecord(std::string_view bytes);
std::string TextForRecord(QStringView text);
