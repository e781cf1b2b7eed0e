#include "ui/panels/paint_pacer.h"

#include <QWidget>

PaintPacer::PaintPacer(QWidget& widget) : widget_(widget) {
    frameEnd_.setSingleShot(true);
    frameEnd_.setInterval(kFrame);
    QObject::connect(&frameEnd_, &QTimer::timeout, &frameEnd_, [this] { EndFrame(); });
}

void PaintPacer::Changing() {
    if (!frameEnd_.isActive()) {
        frameEnd_.start();
        return;
    }
    if (widget_.updatesEnabled()) widget_.setUpdatesEnabled(false);
}

// Turning painting on again repaints the whole widget once; that paint
// begins the next frame.
void PaintPacer::EndFrame() {
    if (widget_.updatesEnabled()) return;
    widget_.setUpdatesEnabled(true);
    frameEnd_.start();
}
