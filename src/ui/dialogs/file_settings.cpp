#include "ui/dialogs/file_settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "store/records.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/record_text.h"

namespace {

constexpr const char* kTypeNames[CFileSettings::kTypeCount] = {"ZIP", "EXE", "RAR", "ACE",
                                                               "TAR", "GZ",  "ARJ"};

// The record's switch for each type box, in the page's order.
constexpr std::int32_t WebProject::*kTypeFlags[CFileSettings::kTypeCount] = {
    &WebProject::wantZip, &WebProject::wantExe, &WebProject::wantRar, &WebProject::wantAce,
    &WebProject::wantTar, &WebProject::wantGz,  &WebProject::wantArj};

bool AnyTypeWanted(const WebProject& project) {
    for (const auto flag : kTypeFlags) {
        if (project.*flag != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

CFileSettings::CFileSettings(QWidget* parent)
    : QWidget(parent),
      searchForTypes_(new QRadioButton(QStringLiteral("Search for files of type"), this)),
      downloadAll_(new QRadioButton(QStringLiteral("Download all files"), this)) {
    auto* pair = new QButtonGroup(this);
    pair->addButton(searchForTypes_);
    pair->addButton(downloadAll_);
    for (int index = 0; index < kTypeCount; ++index) {
        types_.at(static_cast<std::size_t>(index)) =
            new QCheckBox(QString::fromLatin1(kTypeNames[index]), this);
    }
    otherTypesBox_ = new QCheckBox(QStringLiteral("Other types"), this);
    otherTypes_ = new QLineEdit(this);
    LimitEditToField(otherTypes_, CapacityOf<decltype(WebProject::otherTypes)>);
    otherTypes_->setMinimumWidth(UnitsAcross(this, 147));

    auto* choice = new QHBoxLayout;
    choice->addWidget(searchForTypes_);
    choice->addStretch();
    choice->addWidget(downloadAll_);

    auto* typeRow = new QHBoxLayout;
    typeRow->addSpacing(UnitsAcross(this, 8));
    for (QCheckBox* box : types_) {
        typeRow->addWidget(box);
    }
    typeRow->addStretch();

    auto* otherRow = new QHBoxLayout;
    otherRow->addSpacing(UnitsAcross(this, 6));
    otherRow->addWidget(otherTypesBox_);
    otherRow->addWidget(otherTypes_, 1);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(UnitsAcross(this, 8), UnitsDown(this, 26), UnitsAcross(this, 10),
                               UnitsDown(this, 10));
    column->addLayout(choice);
    column->addSpacing(UnitsDown(this, 8));
    column->addLayout(typeRow);
    column->addLayout(otherRow);
    column->addStretch();
    AddFrame(this, column);

    ChainTabOrder({searchForTypes_, downloadAll_, types_[0], types_[1], types_[2], types_[3], types_[4],
                   types_[5], types_[6], otherTypesBox_, otherTypes_});

    connect(searchForTypes_, &QRadioButton::clicked, this, [this] { EnableTypeControls(true); });
    connect(downloadAll_, &QRadioButton::clicked, this, [this] { EnableTypeControls(false); });
    downloadAll_->setChecked(true);
    EnableTypeControls(false);
}

void CFileSettings::LoadFrom(const WebProject& project) {
    for (std::size_t index = 0; index < types_.size(); ++index) {
        types_.at(index)->setChecked(project.*kTypeFlags[index] != 0);
    }
    otherTypes_->setText(TextFromRecord(project.otherTypes));
    const bool searchTypes = AnyTypeWanted(project);
    (searchTypes ? searchForTypes_ : downloadAll_)->setChecked(true);
    EnableTypeControls(searchTypes);
}

void CFileSettings::StoreInto(WebProject& project) const {
    project.downloadAll = downloadAll_->isChecked() ? 1 : 0;
    for (std::size_t index = 0; index < types_.size(); ++index) {
        project.*kTypeFlags[index] = types_.at(index)->isChecked() ? 1 : 0;
    }
    project.otherTypes = TextForRecord(otherTypes_->text());
}

void CFileSettings::EnableTypeControls(bool enable) {
    for (QCheckBox* box : types_) {
        box->setEnabled(enable);
    }
    otherTypesBox_->setEnabled(enable);
    otherTypes_->setEnabled(enable);
}
