#pragma once

#include <initializer_list>

class QDialog;
class QGroupBox;
class QLayout;
class QPushButton;
class QString;
class QWidget;

// Every page and dialog template draws a plain frame around its contents.
// Puts a frame holding the given layout into the widget's layout (a vertical
// one is made if the widget has none) and returns it.
QGroupBox* AddFrame(QWidget* widget, QLayout* contents);

// The two buttons of a small dialog.
struct AcceptCancel {
    QPushButton* accept;  // the default button; accepts the dialog
    QPushButton* cancel;  // rejects it
};

// Lays a small dialog out as a frame holding `fields`, with a column beside
// it of the accepting button, named `acceptText`, over Cancel.
AcceptCancel FrameBesideButtons(QDialog* dialog, QLayout* fields, const QString& acceptText);

// Fixes the tab order to the given order, which is the template's, whatever
// order the layouts put the widgets in.
void ChainTabOrder(std::initializer_list<QWidget*> widgets);

// Ends the widget's tooltip with the key that keeps its option in
// options.conf, so that a user editing the file by hand finds the field.
void NameOptionKey(QWidget* widget, const QString& key);
