#pragma once

#include <cstdint>

#include <QString>

class QLineEdit;

// Number fields are shown as decimal texts and read back by their leading
// digits (LeadingNumber), with no range test.
QString NumberForEdit(std::int32_t value);
std::int32_t NumberFromEdit(const QLineEdit* edit);

// The number of bytes a FixedText field holds, for LimitEditToField:
// LimitEditToField(edit, CapacityOf<decltype(WebProject::name)>).
template <class Field>
inline constexpr int CapacityOf = static_cast<int>(Field::kCapacity);

// Lets an edit take at most maxBytes bytes of record text, so that what the
// user typed fits its record field whole and is never cut later, and no line
// break, which would split the record in its list file.
void LimitEditToField(QLineEdit* edit, int maxBytes);

// Lets an edit take only the digits 0 to 9 as typed or pasted characters. A
// text set by the program (a loaded negative number, say) is shown as it is.
void AcceptDigitsOnly(QLineEdit* edit);
