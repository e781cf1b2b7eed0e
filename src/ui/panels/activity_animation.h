#pragma once

#include <QTimer>
#include <QWidget>

// The activity clip: 32 frames of 500 x 100 pixels at 15 frames a second,
// drawn by the program itself. Play runs it from the first frame in a loop;
// Stop leaves it on the frame reached.
class ActivityAnimation : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrameCount = 32;
    static constexpr int kFrameWidth = 500;
    static constexpr int kFrameHeight = 100;
    static constexpr int kFramesPerSecond = 15;

    explicit ActivityAnimation(QWidget* parent = nullptr);

    void Play();
    void Stop();
    bool IsPlaying() const { return timer_.isActive(); }
    int CurrentFrame() const { return frame_; }

    // Moves to the next frame, after the last back to the first.
    void Advance();

    QSize sizeHint() const override { return {kFrameWidth, kFrameHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int frame_ = 0;
};

class QPainter;

// Draws one frame of the clip into a 500 x 100 area at the painter's origin.
void DrawActivityFrame(QPainter& painter, int frame);
