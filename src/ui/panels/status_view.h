#pragma once

#include <optional>

#include <QTimer>
#include <QWidget>

#include "workers/transfer_board.h"

class QLabel;
class QProgressBar;
class ActivityAnimation;

// The status pane: the current project, the last action and the status in
// black on white, and the activity animation. The last action wraps onto
// the two lines of its box. Below the animation, the selected entry's
// transfer: a bar with the percentage where the size is known, and the rate
// and the time left. It keeps no logic of its own; the commands, the
// scheduler and the workers write it.
class CStatusView : public QWidget {
    Q_OBJECT

public:
    explicit CStatusView(QWidget* parent = nullptr);

    void SetCurrentProjectText(const QString& text);
    void SetLastActionText(const QString& text);
    void SetStatusText(const QString& text);

    QString CurrentProjectText() const;
    QString LastActionText() const;
    QString StatusText() const;

    // Shows the figures at once, or, within a refresh interval of the last
    // ones shown, at that interval's end: a fast transfer redraws a few
    // times a second, not at every report.
    void ShowTransfer(const TransferFigures& figures);
    void HideTransfer();
    // A file's check against its checksum; it goes when a transfer is shown.
    void ShowCheckResult(const QString& text);
    QString CheckResultText() const;
    bool TransferShown() const;
    const QProgressBar& ProgressBar() const { return *progress_; }
    QString TransferLineText() const;

    static constexpr int kRefreshMs = 250;

    ActivityAnimation& Animation() { return *animation_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // A label of the pane at the rectangle; a new plain one unless given.
    QLabel* AddLabel(const QRect& rectangle, const QString& text, QLabel* label = nullptr);

    QLabel* currentProject_ = nullptr;
    QLabel* lastAction_ = nullptr;
    QLabel* status_ = nullptr;
    ActivityAnimation* animation_ = nullptr;

    void ApplyWaitingTransfer();

    QLabel* transferLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* transferLine_ = nullptr;
    QLabel* checkResult_ = nullptr;
    std::optional<TransferFigures> waitingTransfer_;
    QTimer refresh_;
};
