#pragma once

#include <QWidget>

class QLabel;
class ActivityAnimation;

// The status pane: the current project, the last action and the status in
// black on white, and the activity animation. The last action wraps onto
// the two lines of its box. It keeps no logic of its own; the commands, the
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
};
