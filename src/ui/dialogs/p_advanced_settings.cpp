#include "ui/dialogs/p_advanced_settings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "store/records.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/record_text.h"

CPAdvancedSettings::CPAdvancedSettings(QWidget* parent)
    : QWidget(parent),
      maxDomainCount_(new QLineEdit(this)),
      exitDomain_(new QCheckBox(QStringLiteral("Exit domain"), this)),
      userName_(new QLineEdit(this)),
      password_(new QLineEdit(this)) {
    AcceptDigitsOnly(maxDomainCount_);
    maxDomainCount_->setFixedWidth(UnitsAcross(this, 25));
    LimitEditToField(userName_, CapacityOf<decltype(WebProject::userName)>);
    LimitEditToField(password_, CapacityOf<decltype(WebProject::password)>);
    password_->setEchoMode(QLineEdit::Password);
    userName_->setMinimumWidth(UnitsAcross(this, 144));
    password_->setMinimumWidth(UnitsAcross(this, 144));

    auto* domainRow = new QHBoxLayout;
    domainRow->addWidget(new QLabel(QStringLiteral("Max Domain Count"), this));
    domainRow->addWidget(maxDomainCount_);
    domainRow->addSpacing(UnitsAcross(this, 40));
    domainRow->addWidget(exitDomain_);
    domainRow->addStretch();

    auto* userGrid = new QGridLayout;
    auto* userLabel = new QLabel(QStringLiteral("User Name"), this);
    auto* passwordLabel = new QLabel(QStringLiteral("Password"), this);
    userGrid->addWidget(userLabel, 0, 0, Qt::AlignRight);
    userGrid->addWidget(userName_, 0, 1);
    userGrid->addWidget(passwordLabel, 1, 0, Qt::AlignRight);
    userGrid->addWidget(password_, 1, 1);
    auto* userSettings = new QGroupBox(QStringLiteral("User Settings"), this);
    userSettings->setLayout(userGrid);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(UnitsAcross(this, 6), UnitsDown(this, 18), UnitsAcross(this, 8),
                               UnitsDown(this, 10));
    column->addLayout(domainRow);
    column->addSpacing(UnitsDown(this, 10));
    column->addWidget(userSettings);
    column->addStretch();
    AddFrame(this, column);
    ChainTabOrder({maxDomainCount_, exitDomain_, userName_, password_});
}

void CPAdvancedSettings::LoadFrom(const WebProject& project) {
    maxDomainCount_->setText(NumberForEdit(project.maxDomainCount));
    exitDomain_->setChecked(project.exitDomain != 0);
    userName_->setText(TextFromRecord(project.userName));
    password_->setText(TextFromRecord(project.password));
}

void CPAdvancedSettings::StoreInto(WebProject& project) const {
    project.maxDomainCount = NumberFromEdit(maxDomainCount_);
    project.exitDomain = exitDomain_->isChecked() ? 1 : 0;
    project.userName = TextForRecord(userName_->text());
    project.password = TextForRecord(password_->text());
}
