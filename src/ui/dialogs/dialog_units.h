#pragma once

class QWidget;

// Sizes of the dialog templates are given in dialog units: a quarter of the
// font's average character width across, an eighth of its height down. These
// turn them into pixels for the widget's own font, so the controls keep their
// proportions whatever font the desktop uses.
int UnitsAcross(const QWidget* widget, int units);
int UnitsDown(const QWidget* widget, int units);
