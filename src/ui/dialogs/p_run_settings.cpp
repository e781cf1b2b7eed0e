#include "ui/dialogs/p_run_settings.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "store/records.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/dialogs/run_stop_times.h"

CPRunSettings::CPRunSettings(QWidget* parent) : QWidget(parent), times_(new CRunStopTimes(this)) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(UnitsAcross(this, 6), UnitsDown(this, 24), UnitsAcross(this, 8),
                               UnitsDown(this, 10));
    column->addWidget(times_);
    column->addStretch();
    AddFrame(this, column);
    times_->SelectOnRequest(true, true);
}

void CPRunSettings::LoadFrom(const WebProject& project) {
    times_->ShowTimesOf(project);
    times_->SelectOnRequest(project.startOnRequest != 0, project.stopOnRequest != 0);
}

void CPRunSettings::StoreInto(WebProject& project) const { times_->StoreTimesInto(project); }
