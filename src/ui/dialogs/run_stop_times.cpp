#include "ui/dialogs/run_stop_times.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"

namespace {

QLineEdit* NewTimeEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    AcceptDigitsOnly(edit);
    edit->setFixedWidth(UnitsAcross(parent, 22));
    edit->setEnabled(false);
    return edit;
}

// The hour and minute edits under their option, indented like the template.
QHBoxLayout* TimeRow(QWidget* parent, QLineEdit* hour, QLineEdit* minute) {
    auto* row = new QHBoxLayout;
    row->addSpacing(UnitsAcross(parent, 20));
    row->addWidget(hour);
    row->addSpacing(UnitsAcross(parent, 8));
    row->addWidget(minute);
    row->addStretch();
    return row;
}

void MakePair(QWidget* parent, QRadioButton* first, QRadioButton* second) {
    auto* group = new QButtonGroup(parent);
    group->addButton(first);
    group->addButton(second);
}

}  // namespace

CRunStopTimes::CRunStopTimes(QWidget* parent)
    : QWidget(parent),
      // Created in the template's tab order.
      runWhenRequested_(new QRadioButton(QStringLiteral("Run when requested"), this)),
      startRunningAt_(new QRadioButton(QStringLiteral("Start running at (HH:MM)"), this)),
      startHour_(NewTimeEdit(this)),
      startMinute_(NewTimeEdit(this)),
      stopWhenRequested_(new QRadioButton(QStringLiteral("Stop when requested"), this)),
      stopRunningAt_(new QRadioButton(QStringLiteral("Stop running at (HH:MM)"), this)),
      stopHour_(NewTimeEdit(this)),
      stopMinute_(NewTimeEdit(this)) {
    MakePair(this, runWhenRequested_, startRunningAt_);
    MakePair(this, stopWhenRequested_, stopRunningAt_);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(UnitsDown(this, 3));
    grid->addWidget(startRunningAt_, 0, 0);
    grid->addWidget(runWhenRequested_, 0, 2);
    grid->addLayout(TimeRow(this, startHour_, startMinute_), 1, 0);
    grid->setRowMinimumHeight(2, UnitsDown(this, 4));
    grid->addWidget(stopRunningAt_, 3, 0);
    grid->addWidget(stopWhenRequested_, 3, 2);
    grid->addLayout(TimeRow(this, stopHour_, stopMinute_), 4, 0);
    grid->setColumnMinimumWidth(1, UnitsAcross(this, 20));
    grid->setColumnStretch(1, 1);

    connect(runWhenRequested_, &QRadioButton::clicked, this, [this] { ChooseRun(true, false); });
    connect(startRunningAt_, &QRadioButton::clicked, this, [this] { ChooseRun(false, true); });
    connect(stopWhenRequested_, &QRadioButton::clicked, this, [this] { ChooseStop(true, false); });
    connect(stopRunningAt_, &QRadioButton::clicked, this, [this] { ChooseStop(false, true); });
}

void CRunStopTimes::SelectOnRequest(bool runOnRequest, bool stopOnRequest) {
    ChooseRun(runOnRequest, false);
    ChooseStop(stopOnRequest, false);
}

bool CRunStopTimes::RunOnRequest() const { return runWhenRequested_->isChecked(); }

bool CRunStopTimes::StopOnRequest() const { return stopWhenRequested_->isChecked(); }

void CRunStopTimes::ChooseRun(bool onRequest, bool moveFocus) {
    (onRequest ? runWhenRequested_ : startRunningAt_)->setChecked(true);
    startHour_->setEnabled(!onRequest);
    startMinute_->setEnabled(!onRequest);
    if (moveFocus && !onRequest) {
        startHour_->setFocus();
    }
}

void CRunStopTimes::ChooseStop(bool onRequest, bool moveFocus) {
    (onRequest ? stopWhenRequested_ : stopRunningAt_)->setChecked(true);
    stopHour_->setEnabled(!onRequest);
    stopMinute_->setEnabled(!onRequest);
    if (moveFocus && !onRequest) {
        stopHour_->setFocus();
    }
}
