#include "app/gui/qt_ui_dispatcher.h"

#include <QMetaObject>

QtUiDispatcher::QtUiDispatcher(QObject* parent) : QObject(parent) {}

void QtUiDispatcher::Post(std::function<void()> task) {
    // Queued even when called on this object's own thread, so a step never
    // runs inside the code that posted it.
    QMetaObject::invokeMethod(this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}
