#pragma once

#include <memory>

#include <QDialog>

#include "workers/options.h"

class CProxyOptionsPage;
class CWebOptionsPage;
class MessageBoxPort;
class QCheckBox;
class QLineEdit;

// Download > Options: the options of the transfers started from now on, one
// group per topic. Numbers are typed as text; OK is refused, with a message
// naming the field and its range, while one cannot be used.
class COptionsDlg : public QDialog {
    Q_OBJECT

public:
    // messages shows the refusals; without one they go to Qt message boxes.
    explicit COptionsDlg(QWidget* parent = nullptr, MessageBoxPort* messages = nullptr);
    ~COptionsDlg() override;

    void Load(const Options& options);
    // The options as entered; only meaningful once RefusalText() is empty.
    Options Entered() const;

    // Why OK cannot close, or an empty text when it can.
    QString RefusalText() const;
    void accept() override;

    QLineEdit* MaxRunningEdit() const { return maxRunning_; }
    QLineEdit* SpeedLimitEdit() const { return speedLimit_; }
    QCheckBox* FtpPassiveBox() const { return ftpPassive_; }
    QCheckBox* NotificationsBox() const { return notifications_; }
    QCheckBox* CloseToTrayBox() const { return closeToTray_; }
    CWebOptionsPage* WebPage() const { return webPage_; }
    CProxyOptionsPage* ProxyPage() const { return proxyPage_; }

private:
    std::unique_ptr<MessageBoxPort> ownMessages_;
    MessageBoxPort* messages_;
    QLineEdit* maxRunning_;
    QLineEdit* speedLimit_;
    QCheckBox* ftpPassive_;
    QCheckBox* notifications_;
    QCheckBox* closeToTray_;
    CWebOptionsPage* webPage_;
    CProxyOptionsPage* proxyPage_;
    // What Load was given: a field that cannot be stored keeps its value.
    Options loaded_;
};
