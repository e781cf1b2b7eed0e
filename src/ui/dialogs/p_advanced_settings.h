#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
struct WebProject;

// "Advanced Settings": domain limits and the site's user name and password.
class CPAdvancedSettings : public QWidget {
    Q_OBJECT

public:
    explicit CPAdvancedSettings(QWidget* parent = nullptr);

    void LoadFrom(const WebProject& project);
    void StoreInto(WebProject& project) const;

    QLineEdit* MaxDomainCountEdit() const { return maxDomainCount_; }
    QCheckBox* ExitDomainBox() const { return exitDomain_; }
    QLineEdit* UserNameEdit() const { return userName_; }
    QLineEdit* PasswordEdit() const { return password_; }

private:
    QLineEdit* maxDomainCount_;
    QCheckBox* exitDomain_;
    QLineEdit* userName_;
    QLineEdit* password_;
};
