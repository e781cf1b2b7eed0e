#include "ui/dialogs/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/record_text.h"

void QtMessageBox::ShowMessage(std::string_view text) {
    // A box raised while a dialog is open belongs over that dialog (the
    // search project dialog's refusals), not over the main window.
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox::warning(modal != nullptr ? modal : parent_, QApplication::applicationName(),
                         TextFromRecord(text));
}
