#pragma once

#include <QDialog>

class CFileSettings;
class CPAdvancedSettings;
class CPRunSettings;
class CPWGenSettings;
class QLabel;
class QTabWidget;
struct WebProject;

// The property sheet of a web-site project: four pages as tabs (General,
// File, Run and Advanced Settings) with OK and Cancel; it opens on the first.
//
// The caller loads a record, runs the sheet and, on OK, stores it back. Every
// page holds the loaded values from the start, so a page the user never looked
// at gives back exactly what was loaded.
class CProjProps : public QDialog {
    Q_OBJECT

public:
    explicit CProjProps(const QString& title, QWidget* parent = nullptr);

    void LoadFromRecord(const WebProject& project);

    // Every field the pages show receives its page's value; the five number
    // texts are read by their leading digits (LeadingNumber), with no range
    // test. reserved becomes 0 and status "Ready for download".
    void StoreIntoRecord(WebProject& project) const;

    // Shows, below the pages, the first error of the project's last crawl;
    // nothing is shown for an empty message.
    void ShowFirstErrorOfLastRun(const QString& message);
    const QLabel* FirstErrorLabel() const { return firstError_; }

    QTabWidget* Tabs() const { return tabs_; }
    CPWGenSettings* GeneralPage() const { return general_; }
    CFileSettings* FilePage() const { return files_; }
    CPRunSettings* RunPage() const { return run_; }
    CPAdvancedSettings* AdvancedPage() const { return advanced_; }

private:
    QTabWidget* tabs_;
    CPWGenSettings* general_;
    CFileSettings* files_;
    CPRunSettings* run_;
    CPAdvancedSettings* advanced_;
    QLabel* firstError_;
};
