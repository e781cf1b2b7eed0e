#include "ui/dialogs/dialog_layout.h"

#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include "ui/dialogs/dialog_units.h"

QGroupBox* AddFrame(QWidget* widget, QLayout* contents) {
    auto* frame = new QGroupBox(widget);
    frame->setLayout(contents);
    QLayout* outer = widget->layout();
    if (outer == nullptr) {
        outer = new QVBoxLayout(widget);
        const int margin = UnitsAcross(widget, 7);
        outer->setContentsMargins(margin, margin, margin, margin);
    }
    outer->addWidget(frame);
    return frame;
}

AcceptCancel FrameBesideButtons(QDialog* dialog, QLayout* fields, const QString& acceptText) {
    const AcceptCancel buttons{new QPushButton(acceptText, dialog),
                               new QPushButton(QStringLiteral("Cancel"), dialog)};
    buttons.accept->setDefault(true);
    QObject::connect(buttons.accept, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* column = new QVBoxLayout;
    column->addWidget(buttons.accept);
    column->addWidget(buttons.cancel);
    auto* row = new QHBoxLayout(dialog);
    AddFrame(dialog, fields);
    row->addLayout(column);
    return buttons;
}

void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

void NameOptionKey(QWidget* widget, const QString& key) {
    const QString tip = widget->toolTip();
    const QString line = QStringLiteral("In options.conf: ") + key;
    widget->setToolTip(tip.isEmpty() ? line : tip + QLatin1Char('\n') + line);
}
