#include "ui/dialogs/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace {

// The average width of the 52 letters, as the dialog manager measures it.
int AverageLetterWidth(const QFontMetrics& metrics) {
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
}

}  // namespace

int UnitsAcross(const QWidget* widget, int units) {
    return units * AverageLetterWidth(widget->fontMetrics()) / 4;
}

int UnitsDown(const QWidget* widget, int units) { return units * widget->fontMetrics().height() / 8; }
