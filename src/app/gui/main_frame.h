#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <QMainWindow>
#include <QTimer>

#include "app/gui/desktop_notifier.h"
#include "app/gui/frame_services.h"
#include "app/gui/program_dialogs.h"
#include "search/query_hosts.h"
#include "workers/options.h"

class CDnldList;
class CListPanel;
class CStatusView;
class CTreePanel;
class EntryCommands;
class PanelWindowPort;
class QLabel;
class QSplitter;
class QSystemTrayIcon;
class WindowPort;
struct EndedEntry;

// The main window: menu bar, toolbar, status bar and the 2x2 pane grid of
// the category tree, the entry list, the downloaded tree and the status
// view. It carries the program's commands and the scheduler's timer, takes
// addresses dropped on it or pasted into the entry list, and tells the
// desktop when an entry ends while it is in the background. When the desktop
// has a tray it shows an icon there, and the window can be closed to it.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // The online help page that Help > Table of Contents opens.
    static constexpr const char* kHelpPageUrl = "https://www.tarrawick.example/help/contents.htm";
    static constexpr int kSchedulerPeriodMs = 60000;

    explicit CMainFrame(FrameServices services = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the panes, menus, toolbar and status bar, starts the scheduler
    // timer and offers the start-up chooser. False when a pane cannot be
    // created; the window is then unusable.
    bool Create();
    // The views' first update; the entry list reads the list files.
    void InitialUpdate();

    // The action of a command identifier (CommandId), or null.
    QAction* Action(int commandId) const;

    CTreePanel& TreePanel() const { return *tree_; }
    CListPanel& ListPanel() const { return *list_; }
    CDnldList& DownloadedTree() const { return *downloaded_; }
    CStatusView& StatusView() const { return *status_; }
    WindowPort& Window() const;
    EntryCommands& Commands() const { return *commands_; }

    // The view that commands reach first; follows the keyboard focus.
    void SetActiveView(QWidget* pane) { activeView_ = pane; }
    QWidget* ActiveView() const { return activeView_; }

    // The download commands also get the options, now and after each change.
    void SetDownloadCommands(DownloadCommands* downloads);
    // The options read at creation, or entered since.
    const Options& CurrentOptions() const { return options_; }
    // The hosts that the environment names for the search engines, for the
    // addresses the search dialog's engine boxes tell.
    void SetSearchHosts(SearchHosts hosts);

    DesktopNotifier& Notifier() { return notifier_; }

    // Shows the window again if it was closed to the tray or minimised, and
    // asks for the focus.
    void ShowAndRaise();
    // The tray icon, or null when the desktop had no tray at creation.
    QSystemTrayIcon* Tray() const { return tray_; }
    // The tray menu's items: Show/Hide, Stop Downloading, Exit.
    QMenu* TrayMenu() const { return trayMenu_.get(); }

    // Adds the addresses of a drop or a paste (one a line), as the entry
    // commands do; what is no address is refused with a message.
    void AddDroppedText(const std::string& text);
    // Ctrl+V on the entry list: the clipboard's addresses.
    void PasteAddresses();

    // Moves the keyboard focus to the next pane (step +1, F6) or the one
    // before (-1, Shift+F6), from the active view.
    void FocusPane(int step);

    // None: the bars cannot be hidden.
    QMenu* createPopupMenu() override;

    // The scheduler timer's handler: hands the time of day to the scheduler.
    void OnSchedulerTick();
    // At exit: no tick starts workers or changes the lists from now on.
    void StopScheduler() { schedulerTimer_.stop(); }
    bool SchedulerRunning() const { return schedulerTimer_.isActive(); }

signals:
    // The window was closed for good (not to the tray): the run ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool CreateClient();
    void ChainPanes();
    std::array<QWidget*, 4> Panes() const;
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RunStartChooser();
    QAction* MakeAction(int commandId, const char* text);
    void OnCommand(int commandId);
    bool ListPanelIsActive() const;
    void UpdateSendToEnabled();
    void FollowFocus(QWidget* now);
    void ShowLockKeys();
    // Download > Options: on OK the options are saved and used for the
    // workers started from then on.
    void EditOptions();
    QString OptionsFile() const;
    void OnEntryEnded(const EndedEntry& ended);
    // Raises the window on the list holding the entry, its row selected.
    void ShowEntry(int list, const QString& key);
    void CreateTray();
    void UpdateTrayToolTip();
    void ToggleShown();

    FrameServices services_;
    // Puts the options in force in the window: the engines' addresses and
    // the notifications, and hands them to the download commands.
    void ApplyOptions();

    Options options_;
    SearchHosts searchHosts_;
    std::unique_ptr<FrameDialogs> ownDialogs_;
    SearchEngineAddresses engineAddresses_;
    std::unique_ptr<MessageBoxPort> ownMessages_;

    QSplitter* columns_ = nullptr;
    QSplitter* leftRows_ = nullptr;
    QSplitter* rightRows_ = nullptr;
    CTreePanel* tree_ = nullptr;
    CDnldList* downloaded_ = nullptr;
    CListPanel* list_ = nullptr;
    CStatusView* status_ = nullptr;
    QWidget* activeView_ = nullptr;

    std::unique_ptr<PanelWindowPort> window_;
    std::unique_ptr<EntryCommands> commands_;
    std::map<int, QAction*> actions_;
    QMetaObject::Connection focusConnection_;

    QTimer schedulerTimer_;
    QTimer lockKeysTimer_;
    QLabel* capsLock_ = nullptr;
    QLabel* numLock_ = nullptr;
    QLabel* scrollLock_ = nullptr;
    DesktopNotifier notifier_;

    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
    QTimer trayToolTipTimer_;
    // Exit was chosen: closing ends the run even with CloseToTray.
    bool exiting_ = false;
};
