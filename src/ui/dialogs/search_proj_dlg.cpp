#include "ui/dialogs/search_proj_dlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/gui/qt_message_box.h"
#include "store/records.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/dialogs/run_stop_times.h"
#include "ui/record_text.h"

namespace {

constexpr const char* kEngineNames[CSearchProjDlg::kEngineCount] = {
    "Altavista", "HotBot", "Yahoo", "Northern Light", "WebCrawler", "MSN", "Go2Net"};

// The record's switch for each engine box, in the dialog's order.
constexpr std::int32_t SearchProject::*kEngineFlags[CSearchProjDlg::kEngineCount] = {
    &SearchProject::useAltavista,     &SearchProject::useHotBot,     &SearchProject::useYahoo,
    &SearchProject::useNorthernLight, &SearchProject::useWebCrawler, &SearchProject::useMsn,
    &SearchProject::useGo2Net};

// Four engines on the first line and three centred below, as in the template.
QGroupBox* EngineGroup(QWidget* parent, const std::array<QCheckBox*, CSearchProjDlg::kEngineCount>& boxes) {
    auto* firstLine = new QHBoxLayout;
    for (int index = 0; index < 4; ++index) {
        firstLine->addWidget(boxes.at(static_cast<std::size_t>(index)));
    }
    auto* secondLine = new QHBoxLayout;
    secondLine->addStretch();
    for (int index = 4; index < CSearchProjDlg::kEngineCount; ++index) {
        secondLine->addWidget(boxes.at(static_cast<std::size_t>(index)));
        secondLine->addStretch();
    }
    auto* lines = new QVBoxLayout;
    lines->addLayout(firstLine);
    lines->addLayout(secondLine);
    auto* group = new QGroupBox(QStringLiteral("Search Engines"), parent);
    group->setLayout(lines);
    return group;
}

bool EitherEmpty(const QLineEdit* hour, const QLineEdit* minute) {
    return hour->text().isEmpty() || minute->text().isEmpty();
}

}  // namespace

CSearchProjDlg::CSearchProjDlg(QWidget* parent, MessageBoxPort* messages)
    : QDialog(parent),
      ownMessages_(messages == nullptr ? std::make_unique<QtMessageBox>(this) : nullptr),
      messages_(messages == nullptr ? ownMessages_.get() : messages),
      name_(new QLineEdit(this)),
      searchText_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Add a Search Project"));
    LimitEditToField(name_, CapacityOf<decltype(SearchProject::name)>);
    LimitEditToField(searchText_, CapacityOf<decltype(SearchProject::searchText)>);
    for (int index = 0; index < kEngineCount; ++index) {
        engines_.at(static_cast<std::size_t>(index)) =
            new QCheckBox(QString::fromLatin1(kEngineNames[index]), this);
    }
    times_ = new CRunStopTimes(this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* texts = new QGridLayout;
    texts->addWidget(new QLabel(QStringLiteral("Project name"), this), 0, 0, Qt::AlignRight);
    texts->addWidget(name_, 0, 1, 1, 2);
    texts->addWidget(new QLabel(QStringLiteral("Search for"), this), 1, 0, Qt::AlignRight);
    texts->addWidget(searchText_, 1, 1);
    texts->addWidget(new QLabel(QStringLiteral("on"), this), 1, 2);
    texts->setColumnMinimumWidth(1, UnitsAcross(this, 151));

    auto* contents = new QVBoxLayout;
    contents->addLayout(texts);
    contents->addWidget(EngineGroup(this, engines_));
    contents->addWidget(times_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addSpacing(UnitsAcross(this, 9));
    buttons->addWidget(cancel);
    buttons->addStretch();

    AddFrame(this, contents);
    layout()->addItem(buttons);

    ChainTabOrder({name_, searchText_, engines_[0], engines_[1], engines_[2], engines_[3], engines_[4],
                   engines_[5], engines_[6], times_->RunWhenRequested(), times_->StartRunningAt(),
                   times_->StartHourEdit(), times_->StartMinuteEdit(), times_->StopWhenRequested(),
                   times_->StopRunningAt(), times_->StopHourEdit(), times_->StopMinuteEdit(), ok, cancel});

    // Whatever a loaded record holds, the dialog starts with both projects
    // running and stopping only when the user asks.
    times_->SelectOnRequest(true, true);
    name_->setFocus();
}

CSearchProjDlg::~CSearchProjDlg() = default;

void CSearchProjDlg::ShowEngineAddresses(const QString& altavista, const QString& yahoo) {
    constexpr std::size_t kAltavistaBox = 0;
    constexpr std::size_t kYahooBox = 2;
    for (auto [box, address] : {std::pair{kAltavistaBox, &altavista}, std::pair{kYahooBox, &yahoo}}) {
        engines_.at(box)->setToolTip(address->isEmpty() ? QString() : QStringLiteral("Queries ") + *address);
    }
}

void CSearchProjDlg::LoadFromRecord(const SearchProject& project) {
    name_->setText(TextFromRecord(project.name));
    searchText_->setText(TextFromRecord(project.searchText));
    for (std::size_t index = 0; index < engines_.size(); ++index) {
        engines_.at(index)->setChecked(project.*kEngineFlags[index] != 0);
    }
    times_->StartHourEdit()->setText(NumberForEdit(project.startHour));
    times_->StartMinuteEdit()->setText(NumberForEdit(project.startMinute));
    times_->StopHourEdit()->setText(NumberForEdit(project.stopHour));
    times_->StopMinuteEdit()->setText(NumberForEdit(project.stopMinute));
}

void CSearchProjDlg::StoreIntoRecord(SearchProject& project) const {
    project.name = TextForRecord(name_->text());
    project.searchText = TextForRecord(searchText_->text());
    for (std::size_t index = 0; index < engines_.size(); ++index) {
        project.*kEngineFlags[index] = engines_.at(index)->isChecked() ? 1 : 0;
    }
    project.startOnRequest = times_->RunOnRequest() ? 1 : 0;
    project.stopOnRequest = times_->StopOnRequest() ? 1 : 0;
    project.startHour = NumberFromEdit(times_->StartHourEdit());
    project.startMinute = NumberFromEdit(times_->StartMinuteEdit());
    project.stopHour = NumberFromEdit(times_->StopHourEdit());
    project.stopMinute = NumberFromEdit(times_->StopMinuteEdit());
    project.reservedText1.Clear();
    project.reservedText2.Clear();
    project.status = "Ready for download";
}

QString CSearchProjDlg::RefusalText() const {
    if (name_->text().isEmpty()) {
        return QStringLiteral("Enter the project's name!");
    }
    if (searchText_->text().isEmpty()) {
        return QStringLiteral("Enter the search string");
    }
    if (std::none_of(engines_.begin(), engines_.end(),
                     [](const QCheckBox* box) { return box->isChecked(); })) {
        return QStringLiteral("Select at least one search engine");
    }
    if (times_->StartMinuteEdit()->isEnabled() &&
        EitherEmpty(times_->StartHourEdit(), times_->StartMinuteEdit())) {
        return QStringLiteral("Enter the start time");
    }
    if (times_->StopMinuteEdit()->isEnabled() &&
        EitherEmpty(times_->StopHourEdit(), times_->StopMinuteEdit())) {
        return QStringLiteral("Enter the stop time");
    }
    return {};
}

void CSearchProjDlg::accept() {
    const QString refusal = RefusalText();
    if (!refusal.isEmpty()) {
        messages_->ShowMessage(TextForRecord(refusal));
        return;
    }
    QDialog::accept();
}
