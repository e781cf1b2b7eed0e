#include "app/gui/main_frame.h"

#include <algorithm>
#include <array>
#include <new>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTime>
#include <QToolBar>
#include <QToolButton>

#include "app/command_ids.h"
#include "app/download_commands.h"
#include "app/entry_commands.h"
#include "app/gui/frame_dialogs.h"
#include "app/gui/lock_keys.h"
#include "app/gui/mime_addresses.h"
#include "app/gui/options_settings.h"
#include "app/gui/program_dialogs.h"
#include "app/list_rows.h"
#include "store/item_store.h"
#include "ui/dialogs/qt_message_box.h"
#include "ui/panels/dnld_list.h"
#include "ui/panels/list_panel.h"
#include "ui/panels/panel_window_port.h"
#include "ui/panels/status_view.h"
#include "ui/panels/tree_panel.h"
#include "ui/record_text.h"
#include "ui/toolbar/tool_bar_ex.h"
#include "workers/app_state.h"

namespace {

// The status-bar prompts of the commands that have one.
const std::map<int, const char*> kPrompts = {
    {CommandId::kAddFiles, "Add one or more files in the 'Requested' list"},
    {CommandId::kAddWebSite, "Add a web site to the 'Requested' list"},
    {CommandId::kDeleteEntry, "Delete selected entries"},
    {CommandId::kAbout, "Display program information, version number and copyright"},
    {CommandId::kExit, "Quit the application"},
};

// Pane sizes of the grid: the first column's width and the first row's height.
constexpr int kFirstColumnWidth = 200;
constexpr int kFirstRowHeight = 150;
constexpr int kLockKeysPollMs = 500;
constexpr int kTrayToolTipMs = 1000;

QString TrayToolTipText(const TransfersSummary& transfers) {
    if (transfers.running == 0) return QStringLiteral("Tarrawick: nothing is downloading");
    QString text = QStringLiteral("Tarrawick: %1 running").arg(transfers.running);
    if (transfers.permille)
        text += QStringLiteral(", %1 done").arg(QString::fromStdString(PercentText(*transfers.permille)));
    return text;
}

void KeepRowsInStep(QSplitter* moved, QSplitter* other) {
    QObject::connect(moved, &QSplitter::splitterMoved, other,
                     [moved, other] { other->setSizes(moved->sizes()); });
}

QSplitter* MakeRows(QSplitter* columns) {
    auto* rows = new QSplitter(Qt::Vertical, columns);
    rows->setChildrenCollapsible(false);
    return rows;
}

}  // namespace

CMainFrame::CMainFrame(FrameServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    if (services_.messages == nullptr) {
        ownMessages_ = std::make_unique<QtMessageBox>(this);
        services_.messages = ownMessages_.get();
    }
    if (!services_.openUrl) services_.openUrl = DesktopUrlOpener();
    if (services_.dialogs == nullptr) {
        ownDialogs_ = MakeProgramDialogs(
            this, services_.openUrl, *services_.messages, &engineAddresses_,
            [this] { return services_.store != nullptr && services_.store->Logins.KeepsPasswords(); });
        services_.dialogs = ownDialogs_.get();
    }
}

CMainFrame::~CMainFrame() {
    // The panes lose the focus while the base class destroys them, after
    // this class's part of the window is gone.
    disconnect(focusConnection_);
}

WindowPort& CMainFrame::Window() const { return *window_; }

bool CMainFrame::Create() {
    setWindowIcon(QIcon(QStringLiteral(":/tarrawick.png")));
    if (!CreateClient()) return false;
    options_ = LoadOptions(OptionsFile());
    ApplyOptions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    const bool trayAvailable =
        services_.trayAvailable ? services_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (trayAvailable) CreateTray();
    connect(&schedulerTimer_, &QTimer::timeout, this, &CMainFrame::OnSchedulerTick);
    schedulerTimer_.start(kSchedulerPeriodMs);
    services_.state->ShownList = kRequestedFilesList;
    RunStartChooser();
    return true;
}

bool CMainFrame::CreateClient() {
    columns_ = new QSplitter(Qt::Horizontal, this);
    columns_->setChildrenCollapsible(false);
    leftRows_ = MakeRows(columns_);
    rightRows_ = MakeRows(columns_);

    tree_ = new CTreePanel(leftRows_);
    downloaded_ = new CDnldList(leftRows_);
    downloaded_->SetOpener(services_.openUrl);
    list_ = new (std::nothrow) CListPanel(rightRows_);
    if (list_ == nullptr) {
        services_.messages->ShowMessage("Error on creating ListView");
        return false;
    }
    status_ = new (std::nothrow) CStatusView(rightRows_);
    if (status_ == nullptr) {
        services_.messages->ShowMessage("Error on creating StatusView");
        return false;
    }

    // The two columns share their row divider, like one 2x2 grid.
    KeepRowsInStep(leftRows_, rightRows_);
    KeepRowsInStep(rightRows_, leftRows_);
    for (QSplitter* splitter : {columns_, leftRows_, rightRows_}) {
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
    }
    columns_->setSizes({kFirstColumnWidth, 4 * kFirstColumnWidth});
    leftRows_->setSizes({kFirstRowHeight, 3 * kFirstRowHeight});
    rightRows_->setSizes({kFirstRowHeight, 3 * kFirstRowHeight});
    setCentralWidget(columns_);

    window_ = std::make_unique<PanelWindowPort>(*list_, *status_, *downloaded_, *services_.messages);
    commands_ =
        std::make_unique<EntryCommands>(*services_.store, *services_.state, *window_, *services_.dialogs);
    commands_->SetDownloadCommands(services_.downloads);
    list_->SetCommands(commands_.get());
    list_->SetOpener(services_.openUrl);
    window_->SetEntryEndedHandler([this](const EndedEntry& ended) { OnEntryEnded(ended); });
    window_->SetLoginAsker(
        [this](const LoginQuestion& question) { return services_.dialogs->AskLogin(question); });
    notifier_.SetOpener(services_.openUrl);
    connect(&notifier_, &DesktopNotifier::EntryChosen, this, &CMainFrame::ShowEntry);
    setAcceptDrops(true);
    auto* paste = new QAction(list_);
    paste->setShortcut(QKeySequence::Paste);
    paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(paste, &QAction::triggered, this, &CMainFrame::PasteAddresses);
    list_->addAction(paste);
    tree_->SetCategorySwitch(
        [this](int list) { return SwitchCategory(*services_.store, *services_.state, list, *window_); });

    ChainPanes();
    // The tree is the view the framework makes active first.
    activeView_ = tree_;
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget*, QWidget* now) { FollowFocus(now); });
    return true;
}

// Tab and F6 go from pane to pane in reading order: the category tree, the
// entry list, the downloaded tree, the status view; Shift goes back.
void CMainFrame::ChainPanes() {
    status_->setFocusPolicy(Qt::StrongFocus);
    const std::array<QWidget*, 4> panes = Panes();
    for (std::size_t at = 1; at < panes.size(); ++at) QWidget::setTabOrder(panes.at(at - 1), panes.at(at));
    auto* next = new QAction(this);
    next->setShortcut(QKeySequence(Qt::Key_F6));
    connect(next, &QAction::triggered, this, [this] { FocusPane(+1); });
    auto* previous = new QAction(this);
    previous->setShortcut(QKeySequence(Qt::ShiftModifier | Qt::Key_F6));
    connect(previous, &QAction::triggered, this, [this] { FocusPane(-1); });
    addActions({next, previous});
}

std::array<QWidget*, 4> CMainFrame::Panes() const { return {tree_, list_, downloaded_, status_}; }

void CMainFrame::FocusPane(int step) {
    const std::array<QWidget*, 4> panes = Panes();
    const auto count = static_cast<int>(panes.size());
    const auto current = std::find(panes.begin(), panes.end(), activeView_);
    const int from = current == panes.end() ? 0 : static_cast<int>(current - panes.begin());
    panes.at(static_cast<std::size_t>((from + step + count) % count))->setFocus(Qt::ShortcutFocusReason);
}

// Qt's menu for the bars would let the toolbar be hidden with no way back.
QMenu* CMainFrame::createPopupMenu() { return nullptr; }

QAction* CMainFrame::MakeAction(int commandId, const char* text) {
    auto* action = new QAction(QString::fromLatin1(text), this);
    action->setData(commandId);
    if (auto prompt = kPrompts.find(commandId); prompt != kPrompts.end()) {
        action->setStatusTip(QString::fromLatin1(prompt->second));
    }
    connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
    actions_[commandId] = action;
    return action;
}

void CMainFrame::CreateMenus() {
    using namespace CommandId;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(MakeAction(kDeleteAllLists, "&Delete All Lists"));
    file->addSeparator();
    file->addAction(MakeAction(kExit, "E&xit"));

    QMenu* entry = menuBar()->addMenu(QStringLiteral("&Entry"));
    entry->addAction(MakeAction(kAddFiles, "&Add File(s) \tIns"));
    entry->addAction(MakeAction(kAddWebSite, "Add &Web Site \t+"));
    entry->addAction(MakeAction(kAddSearchProject, "Add Search Project\tCtrl+S"));
    entry->addSeparator();
    entry->addAction(MakeAction(kDeleteEntry, "&Delete Entry \tDel"));
    entry->addSeparator();
    QMenu* sendTo = entry->addMenu(QStringLiteral("Send To"));
    sendTo->addAction(MakeAction(kSendToRequestedFiles, "Requested Files List"));
    sendTo->addAction(MakeAction(kSendToRequestedSites, "Requested Web Sites"));
    entry->addSeparator();
    entry->addAction(MakeAction(kProperties, "Properties..."));
    connect(entry, &QMenu::aboutToShow, this, &CMainFrame::UpdateSendToEnabled);

    QMenu* download = menuBar()->addMenu(QStringLiteral("&Download"));
    download->addAction(MakeAction(kSelectedProjects, "&Selected Projects"));
    download->addSeparator();
    download->addAction(MakeAction(kStopDownloading, "Stop Downloading"));
    download->addSeparator();
    download->addAction(MakeAction(kOptions, "&Options..."));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(MakeAction(kTableOfContents, "&Table of Contents..."));
    help->addSeparator();
    help->addAction(MakeAction(kAbout, "&About Tarrawick..."));

    // The menu texts carry the key names; the keys themselves:
    actions_[kAddFiles]->setShortcut(QKeySequence(Qt::Key_Insert));
    actions_[kAddWebSite]->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    actions_[kDeleteEntry]->setShortcut(QKeySequence(Qt::Key_Delete));
    actions_[kAddSearchProject]->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_S));
}

void CMainFrame::CreateToolBar() {
    using namespace CommandId;
    auto* toolBar = new CToolBarEx(QStringLiteral("Standard"), this);
    toolBar->setObjectName(QStringLiteral("toolbar"));
    toolBar->setIconSize(QSize(32, 32));
    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar->setFloatable(true);
    toolBar->setMovable(true);
    const std::pair<int, const char*> buttons[] = {
        {kAddFiles, ":/toolbar/add_files.png"},
        {kAddWebSite, ":/toolbar/add_web_site.png"},
        {kAddSearchProject, ":/toolbar/add_search_project.png"},
        {0, nullptr},
        {kDeleteEntry, ":/toolbar/delete_entry.png"},
        {0, nullptr},
        {kSelectedProjects, ":/toolbar/selected_projects.png"},
        {kStopDownloading, ":/toolbar/stop_downloading.png"},
        {kProperties, ":/toolbar/properties.png"},
        {0, nullptr},
        {kAbout, ":/toolbar/about.png"},
    };
    for (const auto& [commandId, icon] : buttons) {
        if (commandId == 0) {
            toolBar->addSeparator();
            continue;
        }
        QAction* action = actions_.at(commandId);
        action->setIcon(QIcon(QString::fromLatin1(icon)));
        toolBar->addAction(action);
        // The prompts carry no tool-tip part, so the buttons show no tip.
        toolBar->widgetForAction(action)->installEventFilter(this);
    }
    setDockOptions(dockOptions() | QMainWindow::AnimatedDocks);
    addToolBar(Qt::TopToolBarArea, toolBar);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->addWidget(new QLabel(QStringLiteral("Ready"), bar), 1);
    capsLock_ = new QLabel(QStringLiteral("CAP"), bar);
    numLock_ = new QLabel(QStringLiteral("NUM"), bar);
    scrollLock_ = new QLabel(QStringLiteral("SCRL"), bar);
    for (QLabel* indicator : {capsLock_, numLock_, scrollLock_}) {
        indicator->setFrameShape(QFrame::Panel);
        indicator->setFrameShadow(QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        bar->addPermanentWidget(indicator);
    }
    ShowLockKeys();
    connect(&lockKeysTimer_, &QTimer::timeout, this, &CMainFrame::ShowLockKeys);
    lockKeysTimer_.start(kLockKeysPollMs);
}

void CMainFrame::ShowLockKeys() {
    const LockKeys keys = ReadLockKeys();
    // An indicator that is off is shown greyed, its text kept.
    capsLock_->setEnabled(keys.capsLock);
    numLock_->setEnabled(keys.numLock);
    scrollLock_->setEnabled(keys.scrollLock);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) return true;
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::RunStartChooser() {
    const int choice = services_.dialogs->StartChoice();
    if (choice == 2) OnCommand(CommandId::kAddWebSite);
    if (choice == 3) OnCommand(CommandId::kAddSearchProject);
}

void CMainFrame::InitialUpdate() {
    tree_->OnInitialUpdate();
    downloaded_->OnInitialUpdate();
    list_->OnInitialUpdate();
}

QAction* CMainFrame::Action(int commandId) const {
    auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::FollowFocus(QWidget* now) {
    for (QWidget* pane : Panes()) {
        if (now != nullptr && (now == pane || pane->isAncestorOf(now))) activeView_ = pane;
    }
}

bool CMainFrame::ListPanelIsActive() const { return activeView_ == list_; }

void CMainFrame::UpdateSendToEnabled() {
    // The entry list answers the enable query while it is the active view.
    const bool enabled = !ListPanelIsActive() || list_->SendToEnabled();
    actions_[CommandId::kSendToRequestedFiles]->setEnabled(enabled);
    actions_[CommandId::kSendToRequestedSites]->setEnabled(enabled);
}

void CMainFrame::SetDownloadCommands(DownloadCommands* downloads) {
    services_.downloads = downloads;
    commands_->SetDownloadCommands(downloads);
    ApplyOptions();
}

void CMainFrame::SetSearchHosts(SearchHosts hosts) {
    searchHosts_ = std::move(hosts);
    ApplyOptions();
}

void CMainFrame::ApplyOptions() {
    const WebOptions& web = options_.web;
    engineAddresses_ = {
        QString::fromStdString(
            EffectiveQueryTemplate(SearchEngine::kAltavista, web.altavista, searchHosts_.altavista)),
        QString::fromStdString(EffectiveQueryTemplate(SearchEngine::kYahoo, web.yahoo, searchHosts_.yahoo))};
    notifier_.SetEnabled(options_.notifyWhenEntriesEnd);
    if (services_.downloads != nullptr) services_.downloads->SetOptions(options_);
}

QString CMainFrame::OptionsFile() const {
    return services_.optionsFile.isEmpty() ? DefaultOptionsFile() : services_.optionsFile;
}

void CMainFrame::EditOptions() {
    Options edited = options_;
    if (!services_.dialogs->EditOptions(edited)) return;
    options_ = edited;
    if (!SaveOptions(OptionsFile(), options_)) {
        services_.messages->ShowMessage("The options could not be saved; they hold until the program ends");
    }
    ApplyOptions();
}

void CMainFrame::OnSchedulerTick() {
    if (services_.downloads == nullptr) return;
    const QTime now = QTime::currentTime();
    services_.downloads->ScheduleTick(now.hour(), now.minute());
}

void CMainFrame::OnCommand(int commandId) {
    using namespace CommandId;
    const bool toPanel = ListPanelIsActive();
    switch (commandId) {
        case kAddFiles: commands_->AddFiles(); break;
        case kAddWebSite: commands_->AddWebSite(); break;
        case kAddSearchProject: commands_->AddSearchProject(); break;
        case kDeleteEntry: toPanel ? list_->OnEntryDelete() : commands_->DeleteEntries(); break;
        case kProperties: toPanel ? list_->OnProperties() : commands_->WindowProperties(); break;
        case kSendToRequestedFiles:
            toPanel ? list_->OnSendToRequestedFiles() : commands_->SendToRequestedFiles();
            break;
        case kSendToRequestedSites:
            toPanel ? list_->OnSendToRequestedSites() : commands_->WindowSendToRequestedSites();
            break;
        case kDeleteAllLists: commands_->DeleteAllLists(); break;
        case kTableOfContents: services_.openUrl(QUrl(QString::fromLatin1(kHelpPageUrl))); break;
        case kSelectedProjects:
            if (services_.downloads != nullptr) services_.downloads->StartWorker();
            break;
        case kStopDownloading:
            if (services_.downloads != nullptr) services_.downloads->SuspendWorker();
            break;
        case kOptions: EditOptions(); break;
        case kAbout: services_.dialogs->ShowAbout(); break;
        case kExit:
            exiting_ = true;
            close();
            break;
        default: break;
    }
}

void CMainFrame::OnEntryEnded(const EndedEntry& ended) {
    // The user is looking at the window, which shows the outcome already.
    if (isActiveWindow()) return;
    const bool file = ended.list == kDownloadedFilesList;
    notifier_.Notify({.entry = TextFromRecord(ended.key),
                      .outcome = TextFromRecord(ended.outcome),
                      .list = ended.list,
                      .savedFile = file ? ended.localPath : std::string(),
                      .folder = file ? std::string() : ended.localPath});
}

void CMainFrame::ShowEntry(int list, const QString& key) {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    tree_->SelectList(list);
    SwitchCategory(*services_.store, *services_.state, list, *window_);
    const std::string wanted = TextForRecord(key);
    for (int row = 0; row < window_->RowCount(); ++row) {
        if (window_->RowText(row, 0) == wanted) return list_->SelectRow(row);
    }
}

void CMainFrame::CreateTray() {
    trayMenu_ = std::make_unique<QMenu>();
    QAction* showHide = trayMenu_->addAction(QStringLiteral("&Hide"), this, &CMainFrame::ToggleShown);
    connect(trayMenu_.get(), &QMenu::aboutToShow, this, [this, showHide] {
        showHide->setText(isVisible() ? QStringLiteral("&Hide") : QStringLiteral("&Show"));
    });
    trayMenu_->addAction(QStringLiteral("Stop &Downloading"), this, [this] {
        if (services_.downloads != nullptr) services_.downloads->SuspendAll();
    });
    trayMenu_->addSeparator();
    trayMenu_->addAction(QStringLiteral("E&xit"), this, [this] { OnCommand(CommandId::kExit); });

    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) ToggleShown();
    });
    UpdateTrayToolTip();
    connect(&trayToolTipTimer_, &QTimer::timeout, this, &CMainFrame::UpdateTrayToolTip);
    trayToolTipTimer_.start(kTrayToolTipMs);
    tray_->show();
}

void CMainFrame::UpdateTrayToolTip() {
    tray_->setToolTip(TrayToolTipText(services_.state->Transfers.Summary()));
}

void CMainFrame::ToggleShown() {
    if (isVisible() && !isMinimized()) {
        hide();
    } else {
        ShowAndRaise();
    }
}

void CMainFrame::ShowAndRaise() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (options_.closeToTray && tray_ != nullptr && !exiting_) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    emit Closed();
}

void CMainFrame::AddDroppedText(const std::string& text) { commands_->AddDroppedText(text); }

void CMainFrame::PasteAddresses() { AddDroppedText(AddressText(QApplication::clipboard()->mimeData())); }

// Addresses come as a list of URIs (from a browser) or as text.
void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls() || mime->hasText()) event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

// The drop is taken at once; its addresses are added once the drag has
// ended, since adding one may open a dialog.
void CMainFrame::dropEvent(QDropEvent* event) {
    const std::string text = AddressText(event->mimeData());
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this, [this, text] { AddDroppedText(text); }, Qt::QueuedConnection);
}
