#pragma once

#include <QWidget>

class QLineEdit;
struct WebProject;

// "General Settings": the project's name and the address to start from.
class CPWGenSettings : public QWidget {
    Q_OBJECT

public:
    explicit CPWGenSettings(QWidget* parent = nullptr);

    void LoadFrom(const WebProject& project);
    void StoreInto(WebProject& project) const;

    QLineEdit* NameEdit() const { return name_; }
    QLineEdit* StartUrlEdit() const { return startUrl_; }

private:
    QLineEdit* name_;
    QLineEdit* startUrl_;
};
