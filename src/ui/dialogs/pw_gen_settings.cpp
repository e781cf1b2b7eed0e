#include "ui/dialogs/pw_gen_settings.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "store/records.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/record_text.h"

CPWGenSettings::CPWGenSettings(QWidget* parent)
    : QWidget(parent), name_(new QLineEdit(this)), startUrl_(new QLineEdit(this)) {
    LimitEditToField(name_, CapacityOf<decltype(WebProject::name)>);
    LimitEditToField(startUrl_, CapacityOf<decltype(WebProject::startUrl)>);
    name_->setMinimumWidth(UnitsAcross(this, 199));
    startUrl_->setMinimumWidth(UnitsAcross(this, 198));

    auto* example = new QLabel(QStringLiteral("ex : www.tarrawick.example"), this);
    example->setEnabled(false);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(UnitsAcross(this, 10), UnitsDown(this, 20), UnitsAcross(this, 10),
                               UnitsDown(this, 10));
    column->addWidget(new QLabel(QStringLiteral("Project Name"), this));
    column->addWidget(name_);
    column->addSpacing(UnitsDown(this, 8));
    column->addWidget(new QLabel(QStringLiteral("Get Files from"), this));
    column->addWidget(startUrl_);
    column->addWidget(example);
    column->addStretch();
    AddFrame(this, column);
    ChainTabOrder({name_, startUrl_});
}

void CPWGenSettings::LoadFrom(const WebProject& project) {
    name_->setText(TextFromRecord(project.name));
    startUrl_->setText(TextFromRecord(project.startUrl));
}

void CPWGenSettings::StoreInto(WebProject& project) const {
    project.name = TextForRecord(name_->text());
    project.startUrl = TextForRecord(startUrl_->text());
}
