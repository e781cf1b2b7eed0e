#pragma once

#include <QWidget>

class QLabel;
class ActivityAnimation;

// The status pane: the current project, the last action and the status on
// white, and the activity animation. It keeps no logic of its own; the
// commands, the scheduler and the workers write it.
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

private:
    QLabel* AddLabel(const QRect& rectangle, const QString& text);

    QLabel* currentProject_ = nullptr;
    QLabel* lastAction_ = nullptr;
    QLabel* status_ = nullptr;
    ActivityAnimation* animation_ = nullptr;
};
