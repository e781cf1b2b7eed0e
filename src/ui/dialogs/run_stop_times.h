#pragma once

#include <QLineEdit>
#include <QWidget>

#include "ui/dialogs/dialog_text.h"

class QRadioButton;

// The two option pairs that say when a project runs and stops, each with its
// hour and minute edits:
//   "Run when requested"  / "Start running at (HH:MM)" + start hour, start minute
//   "Stop when requested" / "Stop running at (HH:MM)"  + stop hour, stop minute
// Choosing a timed option enables its two edits and moves the focus to the
// hour; choosing "when requested" disables them. The edits keep their texts
// while disabled. Shared by the Run Settings page and the search project
// dialog, which lay the controls out alike and in the same tab order.
class CRunStopTimes : public QWidget {
    Q_OBJECT

public:
    explicit CRunStopTimes(QWidget* parent = nullptr);

    // Selects one option of each pair and enables or disables the edits to
    // match, without moving the focus.
    void SelectOnRequest(bool runOnRequest, bool stopOnRequest);
    bool RunOnRequest() const;
    bool StopOnRequest() const;

    QLineEdit* StartHourEdit() const { return startHour_; }
    QLineEdit* StartMinuteEdit() const { return startMinute_; }
    QLineEdit* StopHourEdit() const { return stopHour_; }
    QLineEdit* StopMinuteEdit() const { return stopMinute_; }

    QRadioButton* RunWhenRequested() const { return runWhenRequested_; }
    QRadioButton* StartRunningAt() const { return startRunningAt_; }
    QRadioButton* StopWhenRequested() const { return stopWhenRequested_; }
    QRadioButton* StopRunningAt() const { return stopRunningAt_; }

    // The four edits from the times of a project record (WebProject or
    // SearchProject); the options stay as they are.
    template <typename Project>
    void ShowTimesOf(const Project& project) {
        startHour_->setText(NumberForEdit(project.startHour));
        startMinute_->setText(NumberForEdit(project.startMinute));
        stopHour_->setText(NumberForEdit(project.stopHour));
        stopMinute_->setText(NumberForEdit(project.stopMinute));
    }

    // The record's two "when requested" switches and four times.
    template <typename Project>
    void StoreTimesInto(Project& project) const {
        project.startOnRequest = RunOnRequest() ? 1 : 0;
        project.stopOnRequest = StopOnRequest() ? 1 : 0;
        project.startHour = NumberFromEdit(startHour_);
        project.startMinute = NumberFromEdit(startMinute_);
        project.stopHour = NumberFromEdit(stopHour_);
        project.stopMinute = NumberFromEdit(stopMinute_);
    }

private:
    void ChooseRun(bool onRequest, bool moveFocus);
    void ChooseStop(bool onRequest, bool moveFocus);

    QRadioButton* runWhenRequested_;
    QRadioButton* startRunningAt_;
    QLineEdit* startHour_;
    QLineEdit* startMinute_;
    QRadioButton* stopWhenRequested_;
    QRadioButton* stopRunningAt_;
    QLineEdit* stopHour_;
    QLineEdit* stopMinute_;
};
