#include "ui/dialogs/proj_props.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "store/records.h"
#include "ui/dialogs/file_settings.h"
#include "ui/dialogs/p_advanced_settings.h"
#include "ui/dialogs/p_run_settings.h"
#include "ui/dialogs/pw_gen_settings.h"

CProjProps::CProjProps(const QString& title, QWidget* parent)
    : QDialog(parent),
      tabs_(new QTabWidget(this)),
      general_(new CPWGenSettings),
      files_(new CFileSettings),
      run_(new CPRunSettings),
      advanced_(new CPAdvancedSettings),
      firstError_(new QLabel(this)) {
    setWindowTitle(title);
    tabs_->addTab(general_, QStringLiteral("General Settings"));
    tabs_->addTab(files_, QStringLiteral("File Settings"));
    tabs_->addTab(run_, QStringLiteral("Run Settings"));
    tabs_->addTab(advanced_, QStringLiteral("Advanced Settings"));
    tabs_->setUsesScrollButtons(false);  // all four tabs in view, as a sheet shows them
    tabs_->setCurrentIndex(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(tabs_);
    firstError_->setWordWrap(true);
    firstError_->setTextFormat(Qt::PlainText);
    firstError_->hide();
    column->addWidget(firstError_);
    column->addWidget(buttons);
    // Typing goes into the first page's first field at once, not to the tabs.
    general_->NameEdit()->setFocus();
}

void CProjProps::LoadFromRecord(const WebProject& project) {
    general_->LoadFrom(project);
    files_->LoadFrom(project);
    run_->LoadFrom(project);
    advanced_->LoadFrom(project);
}

void CProjProps::ShowFirstErrorOfLastRun(const QString& message) {
    firstError_->setText(QStringLiteral("First error of the last run: ") + message);
    firstError_->setVisible(!message.isEmpty());
}

void CProjProps::StoreIntoRecord(WebProject& project) const {
    general_->StoreInto(project);
    files_->StoreInto(project);
    run_->StoreInto(project);
    advanced_->StoreInto(project);
    project.reserved = 0;
    project.status = "Ready for download";
}
