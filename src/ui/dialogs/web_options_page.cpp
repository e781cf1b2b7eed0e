#include "ui/dialogs/web_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_layout.h"
#include "ui/record_text.h"

namespace {

constexpr const char* kEngineNames[] = {"Altavista", "Yahoo"};
// The groups of the engines' keys in options.conf, in the same order.
constexpr const char* kEngineKeyGroups[] = {"web/altavista/", "web/yahoo/"};
constexpr EngineSetting WebOptions::*kEngineSettings[] = {&WebOptions::altavista, &WebOptions::yahoo};

struct Switch {
    const char* label;
    const char* tip;
    const char* key;
    bool WebOptions::*value;
};

// The check boxes, in the order of CWebOptionsPage::switches_.
constexpr Switch kSwitches[] = {
    {"&Follow HTTPS and redirects in crawls and searches", "", "web/followHttpsAndRedirects",
     &WebOptions::followHttpsAndRedirects},
    {"&Read links as a browser does",
     "Crawls take every link of a page, wherever it stands, and resolve it as a browser does. "
     "Off: at most one link and one frame per line.",
     "web/readLinksAsBrowser", &WebOptions::readLinksAsBrowser},
    {"Stay &below the start address's folder",
     "Crawls read only pages in the start address's folder and below it; archives linked from "
     "them are fetched wherever the site rules allow.",
     "web/stayBelowStartFolder", &WebOptions::stayBelowStartFolder},
    {"&Obey robots.txt",
     "Crawls read each site's robots.txt once and fetch only what it allows this program, "
     "waiting its Crawl-delay between two requests. A robots.txt that cannot be read because "
     "the server fails allows nothing of that site.",
     "web/obeyRobotsTxt", &WebOptions::obeyRobotsTxt},
};

// The combo box's entries, in the order of EngineAnswer.
constexpr const char* kAnswerNames[] = {"HTML page", "JSON (results[].url)"};

QString TemplateProblemText(const QLineEdit* edit) {
    const std::optional<std::string> problem = QueryTemplateProblem(TextForRecord(edit->text()));
    return problem ? QString::fromStdString(*problem) : QString();
}

// A red that stands out on the page: a deep one on a light background, a
// pale one on a dark background.
QString ProblemColor(const QWidget& page) {
    const bool dark = page.palette().color(QPalette::Window).lightness() < 128;
    return dark ? QStringLiteral("#ff8a80") : QStringLiteral("#b00020");
}

}  // namespace

CWebOptionsPage::CWebOptionsPage(QWidget* parent, QWidget* enginesPage) : QWidget(parent) {
    auto* contents = new QVBoxLayout(this);
    for (std::size_t index = 0; index < switches_.size(); ++index) {
        switches_.at(index) = new QCheckBox(QString::fromUtf8(kSwitches[index].label), this);
        switches_.at(index)->setToolTip(QString::fromUtf8(kSwitches[index].tip));
        NameOptionKey(switches_.at(index), QString::fromLatin1(kSwitches[index].key));
        contents->addWidget(switches_.at(index));
    }
    contents->addLayout(MakeRequestsPerSiteRow());
    QWidget* engineParent = this;
    if (enginesPage != nullptr) {
        contents->addStretch();
        engineParent = enginesPage;
        contents = new QVBoxLayout(enginesPage);
    }
    for (std::size_t index = 0; index < engines_.size(); ++index) {
        EngineFields& fields = engines_.at(index);
        fields = MakeEngineFields(engineParent, QString::fromLatin1(kEngineKeyGroups[index]));
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("Query address"), fields.queryTemplate);
        form->addRow(QString(), fields.problem);
        form->addRow(QStringLiteral("Marker of its own links"), fields.ownLinkMarker);
        form->addRow(QStringLiteral("Answer"), fields.answer);
        auto* group = new QGroupBox(QString::fromLatin1(kEngineNames[index]), engineParent);
        group->setLayout(form);
        contents->addWidget(group);
    }
    contents->addStretch();
}

QLayout* CWebOptionsPage::MakeRequestsPerSiteRow() {
    requestsPerSite_ = new QSpinBox(this);
    requestsPerSite_->setRange(kMinRequestsPerSite, kMaxRequestsPerSite);
    requestsPerSite_->setToolTip(
        QStringLiteral("Requests a crawl has in flight at once. Above 1, the next addresses are asked "
                       "ahead while pages are still read in their order; 1 asks one at a time."));
    NameOptionKey(requestsPerSite_, QStringLiteral("web/requestsPerSite"));
    auto* label = new QLabel(QStringLiteral("Re&quests at once per site"), this);
    label->setBuddy(requestsPerSite_);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(requestsPerSite_);
    row->addStretch();
    return row;
}

CWebOptionsPage::EngineFields CWebOptionsPage::MakeEngineFields(QWidget* page, const QString& keyGroup) {
    EngineFields fields;
    fields.queryTemplate = new QLineEdit(page);
    fields.queryTemplate->setMaxLength(static_cast<int>(kMaxQueryTemplateLength));
    fields.queryTemplate->setToolTip(
        QStringLiteral("http:// or https:// address; {words} stands for the search string"));
    NameOptionKey(fields.queryTemplate, keyGroup + QStringLiteral("queryTemplate"));
    fields.ownLinkMarker = new QLineEdit(page);
    fields.ownLinkMarker->setMaxLength(static_cast<int>(kMaxOwnLinkMarkerLength));
    NameOptionKey(fields.ownLinkMarker, keyGroup + QStringLiteral("ownLinkMarker"));
    fields.answer = new QComboBox(page);
    for (const char* name : kAnswerNames) fields.answer->addItem(QString::fromLatin1(name));
    NameOptionKey(fields.answer, keyGroup + QStringLiteral("answer"));
    fields.problem = new QLabel(page);
    fields.problem->setStyleSheet(QStringLiteral("color: ") + ProblemColor(*page));
    fields.problem->hide();
    connect(fields.queryTemplate, &QLineEdit::textChanged, this, [this, fields] { ShowProblem(fields); });
    return fields;
}

void CWebOptionsPage::ShowProblem(const EngineFields& fields) {
    const QString problem = TemplateProblemText(fields.queryTemplate);
    fields.problem->setText(problem.isEmpty() ? QString() : QStringLiteral("Cannot be used: ") + problem);
    fields.problem->setVisible(!problem.isEmpty());
}

void CWebOptionsPage::LoadFromOptions(const WebOptions& options) {
    for (std::size_t index = 0; index < switches_.size(); ++index) {
        switches_.at(index)->setChecked(options.*kSwitches[index].value);
    }
    requestsPerSite_->setValue(options.requestsPerSite);
    for (std::size_t index = 0; index < engines_.size(); ++index) {
        const EngineSetting& setting = options.*kEngineSettings[index];
        const EngineFields& fields = engines_.at(index);
        fields.queryTemplate->setText(TextFromRecord(setting.queryTemplate));
        fields.ownLinkMarker->setText(TextFromRecord(setting.ownLinkMarker));
        fields.answer->setCurrentIndex(setting.answer == EngineAnswer::kJson ? 1 : 0);
        ShowProblem(fields);
    }
}

void CWebOptionsPage::StoreIntoOptions(WebOptions& options) const {
    for (std::size_t index = 0; index < switches_.size(); ++index) {
        options.*kSwitches[index].value = switches_.at(index)->isChecked();
    }
    options.requestsPerSite = requestsPerSite_->value();
    for (std::size_t index = 0; index < engines_.size(); ++index) {
        EngineSetting& setting = options.*kEngineSettings[index];
        const EngineFields& fields = engines_.at(index);
        if (TemplateProblemText(fields.queryTemplate).isEmpty()) {
            setting.queryTemplate = TextForRecord(fields.queryTemplate->text());
        }
        setting.ownLinkMarker =
            TextForRecord(fields.ownLinkMarker->text()).substr(0, kMaxOwnLinkMarkerLength);
        setting.answer = fields.answer->currentIndex() == 1 ? EngineAnswer::kJson : EngineAnswer::kHtml;
    }
}

QString CWebOptionsPage::RefusalText() const {
    for (std::size_t index = 0; index < engines_.size(); ++index) {
        const QString problem = TemplateProblemText(engines_.at(index).queryTemplate);
        if (!problem.isEmpty()) {
            return QStringLiteral("The query address of %1 cannot be used: %2.")
                .arg(QString::fromLatin1(kEngineNames[index]), problem);
        }
    }
    return {};
}
