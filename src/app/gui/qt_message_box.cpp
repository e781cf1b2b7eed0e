#include "app/gui/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBox::ShowMessage(std::string_view text) {
    QMessageBox::warning(parent_, QApplication::applicationName(),
                         QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}
