#include "ui/dialogs/dialog_layout.h"

#include <QGroupBox>
#include <QLayout>
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
