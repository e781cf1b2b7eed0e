#pragma once

#include <array>

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QRadioButton;
struct WebProject;

// "File Settings": download every file, or only files of the ticked types.
// The type controls are enabled only while "Search for files of type" is
// chosen; they keep their ticks while disabled, and those ticks are stored.
class CFileSettings : public QWidget {
    Q_OBJECT

public:
    // The seven type boxes in their order on the page.
    static constexpr int kTypeCount = 7;

    explicit CFileSettings(QWidget* parent = nullptr);

    // Chooses "Search for files of type" when any type flag is set and
    // "Download all files" otherwise, whatever the record's downloadAll says.
    void LoadFrom(const WebProject& project);
    void StoreInto(WebProject& project) const;

    QRadioButton* SearchForTypes() const { return searchForTypes_; }
    QRadioButton* DownloadAll() const { return downloadAll_; }
    QCheckBox* TypeBox(int index) const { return types_.at(static_cast<std::size_t>(index)); }
    QCheckBox* OtherTypesBox() const { return otherTypesBox_; }
    QLineEdit* OtherTypesEdit() const { return otherTypes_; }

private:
    void EnableTypeControls(bool enable);

    QRadioButton* searchForTypes_;
    QRadioButton* downloadAll_;
    std::array<QCheckBox*, kTypeCount> types_{};
    QCheckBox* otherTypesBox_;
    QLineEdit* otherTypes_;
};
