#include "ui/panels/status_view.h"

#include <algorithm>

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTextOption>

#include "ui/panels/activity_animation.h"

namespace {

// Left, top, right, bottom in pixels of the pane.
QRect Box(int left, int top, int right, int bottom) {
    return {QPoint(left, top), QPoint(right - 1, bottom - 1)};
}

// A value line that wraps onto the lines of its box, between words where it
// can and inside a long word (an address) where it must.
class WrappingLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        QTextOption option(alignment());
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.drawText(QRectF(contentsRect()), text(), option);
    }
};

}  // namespace

CStatusView::CStatusView(QWidget* parent) : QWidget(parent) {
    // Dark text on white, whatever the desktop's theme: only the background
    // is the pane's own, so the text colour must be too.
    setAutoFillBackground(true);
    QPalette white = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        white.setColor(group, QPalette::Window, Qt::white);
        white.setColor(group, QPalette::WindowText, Qt::black);
    }
    setPalette(white);

    AddLabel(Box(20, 40, 150, 65), QStringLiteral("Current Project : "));
    currentProject_ = AddLabel(Box(160, 40, 550, 65), QString());
    AddLabel(Box(20, 80, 150, 105), QStringLiteral("Last Action : "));
    lastAction_ = AddLabel(Box(130, 80, 580, 115), QString(), new WrappingLabel(this));
    // Both of its lines whole also in a large font, as far as the status line allows.
    lastAction_->resize(lastAction_->width(), std::clamp(2 * lastAction_->fontMetrics().lineSpacing(),
                                                         lastAction_->height(), 130 - 80));
    AddLabel(Box(20, 130, 150, 155), QStringLiteral("Status : "));
    status_ = AddLabel(Box(130, 130, 550, 155), QString());
    animation_ = new ActivityAnimation(this);
    animation_->setGeometry(Box(50, 170, 550, 270));
    transferLabel_ = AddLabel(Box(20, 287, 150, 307), QStringLiteral("Progress : "));
    progress_ = new QProgressBar(this);
    progress_->setGeometry(Box(130, 285, 330, 307));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(true);
    transferLine_ = AddLabel(Box(340, 287, 580, 307), QString());
    checkResult_ = AddLabel(Box(20, 312, 580, 332), QString());
    HideTransfer();
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &CStatusView::ApplyWaitingTransfer);

    SetCurrentProjectText(QStringLiteral("None"));
    SetLastActionText(QStringLiteral("Waiting for command"));
    SetStatusText(QStringLiteral("Ready"));
}

QLabel* CStatusView::AddLabel(const QRect& rectangle, const QString& text, QLabel* label) {
    if (label == nullptr) label = new QLabel(this);
    label->setText(text);
    label->setGeometry(rectangle);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The pane takes the keyboard focus (Tab, F6) to become the active view,
// and shows that it has it.
void CStatusView::paintEvent(QPaintEvent*) {
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void CStatusView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CStatusView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CStatusView::SetCurrentProjectText(const QString& text) { currentProject_->setText(text); }
void CStatusView::SetLastActionText(const QString& text) { lastAction_->setText(text); }
void CStatusView::SetStatusText(const QString& text) { status_->setText(text); }

QString CStatusView::CurrentProjectText() const { return currentProject_->text(); }
QString CStatusView::LastActionText() const { return lastAction_->text(); }
QString CStatusView::StatusText() const { return status_->text(); }

void CStatusView::ShowCheckResult(const QString& text) { checkResult_->setText(text); }
QString CStatusView::CheckResultText() const { return checkResult_->text(); }

void CStatusView::ShowTransfer(const TransferFigures& figures) {
    checkResult_->clear();
    waitingTransfer_ = figures;
    // A halt is shown at once: no report follows it.
    if (!refresh_.isActive() || figures.halted) ApplyWaitingTransfer();
}

void CStatusView::ApplyWaitingTransfer() {
    if (!waitingTransfer_) return;
    const TransferFigures figures = *waitingTransfer_;
    waitingTransfer_.reset();
    const std::optional<int> permille = figures.Permille();
    if (permille) {
        progress_->setValue(*permille);
        progress_->setFormat(QString::fromStdString(PercentText(*permille)));
    }
    progress_->setVisible(permille.has_value());
    transferLine_->setText(QString::fromStdString(TransferLine(figures)));
    transferLabel_->show();
    transferLine_->show();
    refresh_.start();
}

void CStatusView::HideTransfer() {
    waitingTransfer_.reset();
    refresh_.stop();
    transferLabel_->hide();
    progress_->hide();
    transferLine_->hide();
    transferLine_->clear();
}

bool CStatusView::TransferShown() const { return !transferLine_->isHidden(); }
QString CStatusView::TransferLineText() const { return transferLine_->text(); }
