#pragma once

#include <QWidget>

#include "net/proxy_options.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// The proxy page of the Options dialog: from the environment, none, or a
// manual proxy with its scheme, host, port, optional login and the hosts
// reached without it. The manual fields are enabled only for a manual
// proxy. The password field shows no characters, and the page says beside
// it that the password is kept for this run only.
class CProxyOptionsPage : public QWidget {
    Q_OBJECT

public:
    explicit CProxyOptionsPage(QWidget* parent = nullptr);

    void LoadFromOptions(const ProxyOptions& proxy);
    // Copies the fields into the options; only meaningful once
    // RefusalText() is empty.
    void StoreIntoOptions(ProxyOptions& proxy) const;

    // Why the entered proxy cannot be used, naming the field, or an empty
    // text when it can.
    QString RefusalText() const;

    QRadioButton* ModeButton(ProxyMode mode) const;
    QComboBox* SchemeBox() const { return scheme_; }
    QLineEdit* HostEdit() const { return host_; }
    QSpinBox* PortEdit() const { return port_; }
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QLineEdit* BypassEdit() const { return bypass_; }
    // The page's first and last fields in the tab order.
    QWidget* FirstField() const;
    QWidget* LastField() const;

private:
    ProxyOptions Entered() const;
    void EnableManualFields();

    QButtonGroup* modes_;
    QComboBox* scheme_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLabel* passwordNote_;
    QLineEdit* bypass_;
};
