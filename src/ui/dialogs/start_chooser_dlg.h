#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// "Start a New Project": the chooser shown as the main window opens.
class CStartChooserDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWebSiteProject = 2;
    static constexpr int kSearchProject = 3;
    static constexpr int kJustStart = 4;

    explicit CStartChooserDlg(QWidget* parent = nullptr);

    // kJustStart until another option is clicked.
    int Choice() const { return choice_; }

    QRadioButton* WebSiteOption() const { return webSite_; }
    QRadioButton* SearchOption() const { return search_; }
    QRadioButton* JustStartOption() const { return justStart_; }
    QPushButton* ProceedButton() const { return proceed_; }

private:
    int choice_ = kJustStart;
    QRadioButton* webSite_;
    QRadioButton* search_;
    QRadioButton* justStart_;
    QPushButton* proceed_;
};
