#include "ui/panels/status_view.h"

#include <QLabel>

#include "ui/panels/activity_animation.h"

namespace {

// Left, top, right, bottom in pixels of the pane.
QRect Box(int left, int top, int right, int bottom) { return {QPoint(left, top), QPoint(right - 1, bottom - 1)}; }

}  // namespace

CStatusView::CStatusView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    AddLabel(Box(20, 40, 150, 65), QStringLiteral("Current Project : "));
    currentProject_ = AddLabel(Box(160, 40, 550, 65), QString());
    AddLabel(Box(20, 80, 150, 105), QStringLiteral("Last Action : "));
    lastAction_ = AddLabel(Box(130, 80, 580, 115), QString());
    AddLabel(Box(20, 130, 150, 155), QStringLiteral("Status : "));
    status_ = AddLabel(Box(130, 130, 550, 155), QString());
    animation_ = new ActivityAnimation(this);
    animation_->setGeometry(Box(50, 170, 550, 270));

    SetCurrentProjectText(QStringLiteral("None"));
    SetLastActionText(QStringLiteral("Waiting for command"));
    SetStatusText(QStringLiteral("Ready"));
}

QLabel* CStatusView::AddLabel(const QRect& rectangle, const QString& text) {
    auto* label = new QLabel(text, this);
    label->setGeometry(rectangle);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void CStatusView::SetCurrentProjectText(const QString& text) { currentProject_->setText(text); }
void CStatusView::SetLastActionText(const QString& text) { lastAction_->setText(text); }
void CStatusView::SetStatusText(const QString& text) { status_->setText(text); }

QString CStatusView::CurrentProjectText() const { return currentProject_->text(); }
QString CStatusView::LastActionText() const { return lastAction_->text(); }
QString CStatusView::StatusText() const { return status_->text(); }
