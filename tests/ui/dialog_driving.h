#pragma once

#include <functional>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QString>
#include <QTimer>
#include <QWidget>

// Helpers that drive dialogs the way a user would: typed keys go through the
// widgets' own key handling (and so through their validators and limits).

inline void PressKey(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

inline void TypeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const int key = c.isLetterOrNumber() ? int{c.toUpper().unicode()} : int{Qt::Key_unknown};
        PressKey(widget, key, QString(c));
    }
}

// What RunModal returns when the actions left the dialog open.
inline constexpr int kLeftOpen = 99;

// Runs dialog.exec(), doing the actions once the dialog's own event loop is
// running. A dialog the actions did not close is closed with kLeftOpen so
// that a test never hangs and can tell that it stayed open.
inline int RunModal(QDialog& dialog, const std::function<void()>& actions) {
    QTimer::singleShot(0, &dialog, [&dialog, actions] {
        actions();
        if (dialog.isVisible()) {
            dialog.done(kLeftOpen);
        }
    });
    return dialog.exec();
}

// The widgets that Tab visits from `first` on, in order, stopping when the
// chain comes back to `first` or after `limit` widgets. A spin box stands
// for the line edit inside it.
inline std::vector<QWidget*> TabOrderFrom(QWidget* first, std::size_t limit) {
    std::vector<QWidget*> order{first};
    for (QWidget* at = first->nextInFocusChain(); at != first && order.size() < limit;
         at = at->nextInFocusChain()) {
        if ((at->focusPolicy() & Qt::TabFocus) != 0 && !at->inherits("QTabBar") &&
            !at->inherits("QTabWidget") && !at->parent()->inherits("QAbstractSpinBox")) {
            order.push_back(at);
        }
    }
    return order;
}
