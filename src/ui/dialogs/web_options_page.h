#pragma once

#include <array>

#include <QWidget>

#include "workers/web_options.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QSpinBox;

// The web page of the Options dialog: "Follow HTTPS and redirects in crawls
// and searches", "Read links as a browser does", "Stay below the start
// address's folder", "Requests at once per site", and for each of the two engines its query address (a
// template with {words}), the text that marks its own links and the kind of
// its answer. A template that cannot work is shown as an error beside its
// field while it is typed, and storing keeps the old value in its place.
// The engines' fields can be laid out on a page of their own.
class CWebOptionsPage : public QWidget {
    Q_OBJECT

public:
    // The engines' fields go on enginesPage when one is given, else below
    // the check boxes.
    explicit CWebOptionsPage(QWidget* parent = nullptr, QWidget* enginesPage = nullptr);

    void LoadFromOptions(const WebOptions& options);

    // Copies every field into the options, except a template that cannot
    // work, whose old value stays.
    void StoreIntoOptions(WebOptions& options) const;

    // The first template that cannot work, as a message for the user, or an
    // empty text when every field can be stored.
    QString RefusalText() const;

    // The widgets of one engine: 0 Altavista, 1 Yahoo.
    struct EngineFields {
        QLineEdit* queryTemplate = nullptr;
        QLineEdit* ownLinkMarker = nullptr;
        QComboBox* answer = nullptr;
        QLabel* problem = nullptr;
    };
    // The check boxes: 0 follow HTTPS, 1 read as a browser, 2 stay below.
    QCheckBox* SwitchBox(int index) const { return switches_.at(static_cast<std::size_t>(index)); }
    QCheckBox* FollowBox() const { return SwitchBox(0); }
    const EngineFields& Engine(int index) const { return engines_.at(static_cast<std::size_t>(index)); }
    QSpinBox* RequestsPerSiteBox() const { return requestsPerSite_; }

private:
    QLayout* MakeRequestsPerSiteRow();
    EngineFields MakeEngineFields(QWidget* page, const QString& keyGroup);
    void ShowProblem(const EngineFields& fields);

    std::array<QCheckBox*, 4> switches_{};
    std::array<EngineFields, 2> engines_;
    QSpinBox* requestsPerSite_ = nullptr;
};
