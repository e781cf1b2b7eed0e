#pragma once

#include <array>
#include <memory>

#include <QDialog>

class CRunStopTimes;
class MessageBoxPort;
class QCheckBox;
class QLineEdit;
struct SearchProject;

// "Add a Search Project": creates or edits a search project. It opens with
// "Run when requested" and "Stop when requested" chosen whatever a loaded
// record held. OK is refused, with a message, until the name, the search
// string, an engine and the chosen times are given.
class CSearchProjDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kEngineCount = 7;

    // messages shows the refusals; without one they go to Qt message boxes.
    explicit CSearchProjDlg(QWidget* parent = nullptr, MessageBoxPort* messages = nullptr);
    ~CSearchProjDlg() override;

    // Copies the name, search string, engines and the four times; the two
    // "when requested" choices stay selected.
    void LoadFromRecord(const SearchProject& project);

    // Copies the texts, engines and both flags, converts the four time texts
    // whatever the modes, clears the reserved texts, status "Ready for download".
    void StoreIntoRecord(SearchProject& project) const;

    // Tooltips of the Altavista and Yahoo boxes telling the address each
    // queries now; an empty address leaves its box without one.
    void ShowEngineAddresses(const QString& altavista, const QString& yahoo);

    // The first unmet condition of OK, or an empty text when OK may close.
    QString RefusalText() const;

    void accept() override;

    QLineEdit* NameEdit() const { return name_; }
    QLineEdit* SearchTextEdit() const { return searchText_; }
    // Altavista, HotBot, Yahoo, Northern Light, WebCrawler, MSN, Go2Net.
    QCheckBox* EngineBox(int index) const { return engines_.at(static_cast<std::size_t>(index)); }
    CRunStopTimes* Times() const { return times_; }

private:
    std::unique_ptr<MessageBoxPort> ownMessages_;
    MessageBoxPort* messages_;
    QLineEdit* name_;
    QLineEdit* searchText_;
    std::array<QCheckBox*, kEngineCount> engines_{};
    CRunStopTimes* times_;
};
