#include "app/gui/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/record_text.h"

void QtMessageBox::ShowMessage(std::string_view text) {
    QMessageBox::warning(parent_, QApplication::applicationName(), TextFromRecord(text));
}
