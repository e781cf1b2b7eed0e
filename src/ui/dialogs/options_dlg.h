#pragma once

#include <memory>

#include <QDialog>

#include "workers/options.h"

class CProxyOptionsPage;
class CWebOptionsPage;
class MessageBoxPort;
class QCheckBox;
class QSpinBox;
class QTabWidget;

// Download > Options: the options of the transfers started from now on, on
// pages chosen from tabs (Ctrl+Tab moves between them): Transfers,
// Connection, Web, Search engines and Desktop. Numbers are spin boxes that
// keep them within their ranges; OK is refused, with a message naming the
// field, while a query address or the manual proxy cannot be used. Each
// field's tooltip names its key in options.conf.
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

    QSpinBox* MaxRunningEdit() const { return maxRunning_; }
    QSpinBox* SpeedLimitEdit() const { return speedLimit_; }
    QSpinBox* ConnectionsPerFileEdit() const { return connectionsPerFile_; }
    QCheckBox* FtpPassiveBox() const { return ftpPassive_; }
    QCheckBox* NotificationsBox() const { return notifications_; }
    QCheckBox* CloseToTrayBox() const { return closeToTray_; }
    CWebOptionsPage* WebPage() const { return webPage_; }
    CProxyOptionsPage* ProxyPage() const { return proxyPage_; }
    QTabWidget* Pages() const { return pages_; }
    QCheckBox* FindPublishedBox() const { return findPublished_; }

private:
    std::unique_ptr<MessageBoxPort> ownMessages_;
    MessageBoxPort* messages_;
    QTabWidget* pages_;
    QSpinBox* maxRunning_;
    QSpinBox* speedLimit_;
    QSpinBox* connectionsPerFile_;
    QCheckBox* ftpPassive_;
    QCheckBox* notifications_;
    QCheckBox* closeToTray_;
    CWebOptionsPage* webPage_;
    CProxyOptionsPage* proxyPage_;
    QCheckBox* findPublished_;
    // What Load was given: a field that cannot be stored keeps its value.
    Options loaded_;
};
