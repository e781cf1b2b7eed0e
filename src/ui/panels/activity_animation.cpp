#include "ui/panels/activity_animation.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

ActivityAnimation::ActivityAnimation(QWidget* parent) : QWidget(parent) {
    timer_.setInterval(1000 / kFramesPerSecond);
    connect(&timer_, &QTimer::timeout, this, &ActivityAnimation::Advance);
}

void ActivityAnimation::Play() {
    frame_ = 0;
    update();
    timer_.start();
}

void ActivityAnimation::Stop() { timer_.stop(); }

void ActivityAnimation::Advance() {
    frame_ = (frame_ + 1) % kFrameCount;
    update();
}

void ActivityAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The clip is centred in the control.
    painter.translate((width() - kFrameWidth) / 2, (height() - kFrameHeight) / 2);
    DrawActivityFrame(painter, frame_);
}

namespace {

// The network: a globe at the left end of the track.
void DrawGlobe(QPainter& painter, QPointF centre, qreal radius) {
    QRadialGradient shade(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    shade.setColorAt(0, QColor(140, 190, 255));
    shade.setColorAt(1, QColor(20, 70, 160));
    painter.setBrush(shade);
    painter.setPen(QPen(QColor(15, 50, 120), 1.5));
    painter.drawEllipse(centre, radius, radius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(220, 235, 255, 180), 1));
    painter.drawEllipse(centre, radius / 2.2, radius);
    painter.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));
    painter.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
    painter.drawLine(centre + QPointF(-radius * 0.87, -radius / 2),
                     centre + QPointF(radius * 0.87, -radius / 2));
    painter.drawLine(centre + QPointF(-radius * 0.87, radius / 2),
                     centre + QPointF(radius * 0.87, radius / 2));
}

// The download folder at the right end of the track.
void DrawFolder(QPainter& painter, QRectF box) {
    QPainterPath folder;
    folder.moveTo(box.left(), box.top() + 8);
    folder.lineTo(box.left() + box.width() * 0.4, box.top() + 8);
    folder.lineTo(box.left() + box.width() * 0.48, box.top());
    folder.lineTo(box.right(), box.top());
    folder.lineTo(box.right(), box.bottom());
    folder.lineTo(box.left(), box.bottom());
    folder.closeSubpath();
    QLinearGradient shade(box.topLeft(), box.bottomLeft());
    shade.setColorAt(0, QColor(255, 222, 120));
    shade.setColorAt(1, QColor(222, 160, 40));
    painter.setBrush(shade);
    painter.setPen(QPen(QColor(150, 100, 20), 1.5));
    painter.drawPath(folder);
}

// One packet on its way; it grows brighter as it nears the folder.
void DrawPacket(QPainter& painter, QPointF centre, qreal progress) {
    const QColor colour = QColor::fromHsvF(0.33 - 0.2 * progress, 0.8, 0.75 + 0.2 * progress);
    painter.setBrush(colour);
    painter.setPen(QPen(colour.darker(160), 1));
    painter.drawRoundedRect(QRectF(centre - QPointF(9, 7), QSizeF(18, 14)), 3, 3);
}

}  // namespace

void DrawActivityFrame(QPainter& painter, int frame) {
    using A = ActivityAnimation;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(0, 0, A::kFrameWidth, A::kFrameHeight), Qt::white);

    constexpr qreal kTrackLeft = 95;
    constexpr qreal kTrackRight = 405;
    constexpr qreal kTrackY = 50;
    painter.setPen(QPen(QColor(200, 200, 200), 2, Qt::DashLine));
    painter.drawLine(QPointF(kTrackLeft, kTrackY), QPointF(kTrackRight, kTrackY));

    // Four packets spaced a quarter of the track apart; after 32 frames each
    // has moved one spacing on, so the loop joins up without a jump.
    constexpr int kPackets = 4;
    const qreal phase = static_cast<qreal>(frame % A::kFrameCount) / A::kFrameCount;
    for (int packet = 0; packet < kPackets; ++packet) {
        const qreal progress = (packet + phase) / kPackets;
        DrawPacket(painter, QPointF(kTrackLeft + progress * (kTrackRight - kTrackLeft), kTrackY), progress);
    }
    DrawGlobe(painter, QPointF(55, kTrackY), 34);
    DrawFolder(painter, QRectF(415, 22, 70, 56));
    painter.restore();
}
