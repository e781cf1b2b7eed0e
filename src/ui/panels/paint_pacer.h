#pragma once

#include <chrono>

#include <QTimer>

class QWidget;

// Paints a widget that changes often at most once per frame: the first
// change after a quiet frame is painted at once; changes made within the
// frame after a paint turn the widget's painting off until the frame ends,
// when one paint shows all of them. The widget's content changes at once;
// only its pixels wait, for less than a frame.
class PaintPacer {
public:
    static constexpr std::chrono::milliseconds kFrame{16};

    explicit PaintPacer(QWidget& widget);
    PaintPacer(const PaintPacer&) = delete;
    PaintPacer& operator=(const PaintPacer&) = delete;

    // A change of the widget's content is about to be made.
    void Changing();

private:
    void EndFrame();

    QWidget& widget_;
    QTimer frameEnd_;
};
