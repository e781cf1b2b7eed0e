#pragma once

#include <functional>

#include <QTreeWidget>

#include "ui/panels/paint_pacer.h"
#include "ui/panels/url_opener.h"

class EntryCommands;
class QMenu;

// The entry list: one row per record of the list shown, newest first, with
// the record's key in "Project" and its status in "Status". It loads the
// list files in its initial update and carries its own handlers of Delete,
// Send To and Properties, which its context menu always reaches. Rows share
// one height and workers' changes are painted at most once per frame, so it
// stays cheap however many rows it holds.
class CListPanel : public QTreeWidget {
    Q_OBJECT

public:
    // Shows the context menu at a screen position; tests record it instead.
    using MenuPopup = std::function<void(QMenu& menu, const QPoint& screenPosition)>;

    explicit CListPanel(QWidget* parent = nullptr);

    void SetCommands(EntryCommands* commands) { commands_ = commands; }
    void SetMenuPopup(MenuPopup popup) { popup_ = std::move(popup); }
    void SetOpener(UrlOpener opener) { opener_ = std::move(opener); }

    // Reads the list files into the store and shows the requested files.
    void OnInitialUpdate();

    // Row operations; rows count from 0 at the top.
    int InsertTopRow(const QString& column0);
    void SetRowText(int row, int column, const QString& text);
    void DeleteRow(int row);
    void DeleteAllRows();
    int RowCount() const;
    int SelectedCount() const;
    bool IsRowSelected(int row) const;
    QString RowText(int row, int column) const;
    // Makes the row the only one selected and the current one, in view, and
    // reports it as a click would.
    void SelectRow(int row);

    // Answers the enable query of the two Send To commands.
    bool SendToEnabled() const { return sendToFlag_ != 0; }

    // The panel's own command handlers.
    void OnEntryDelete();
    void OnSendToRequestedFiles();
    void OnSendToRequestedSites();
    void OnProperties();
    // In the downloaded lists: opens the folder that holds the first
    // selected row's file (the download folder) or project.
    void OnOpenContainingFolder();
    // In the web-site lists: opens the first selected project's crawl log
    // with the desktop's viewer, when it has one.
    void OnViewLog();

    QMenu& ContextMenu() { return *contextMenu_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void BuildContextMenu();
    void ReportSelection();
    void ShowContextMenu(const QPoint& position);

    EntryCommands* commands_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    MenuPopup popup_;
    UrlOpener opener_;
    // Shown in the downloaded lists only.
    QAction* openFolderSeparator_ = nullptr;
    QAction* openFolder_ = nullptr;
    QAction* viewLog_ = nullptr;  // shown in the web-site lists only
    int sendToFlag_ = 1;
    PaintPacer painting_{*this};
};
