#pragma once

#include <string>

class QMimeData;

// The addresses a drop or the clipboard holds, one a line: its URI list, or
// else its plain text, as the lists keep text. "" when it holds neither.
std::string AddressText(const QMimeData* mime);

// The clipboard's address when it holds exactly one and nothing else, or "".
std::string ClipboardAddress();
