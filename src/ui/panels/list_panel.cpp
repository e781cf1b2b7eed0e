#include "ui/panels/list_panel.h"

#include <filesystem>
#include <optional>
#include <string>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "app/command_ids.h"
#include "app/entry_commands.h"
#include "app/list_rows.h"
#include "app/project_log.h"
#include "engine/local_paths.h"
#include "store/list_files.h"
#include "ui/record_text.h"

CListPanel::CListPanel(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(2);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    popup_ = [](QMenu& menu, const QPoint& screenPosition) { menu.exec(screenPosition); };
    BuildContextMenu();
}

void CListPanel::BuildContextMenu() {
    contextMenu_ = new QMenu(this);
    auto add = [this](QMenu* menu, const char* text, int id, void (CListPanel::*handler)()) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, handler);
    };
    add(contextMenu_, "Delete\tDel", CommandId::kDeleteEntry, &CListPanel::OnEntryDelete);
    contextMenu_->addSeparator();
    QMenu* sendTo = contextMenu_->addMenu(QStringLiteral("Send To"));
    add(sendTo, "&Requested Files List", CommandId::kSendToRequestedFiles,
        &CListPanel::OnSendToRequestedFiles);
    add(sendTo, "Requested &Web Sites", CommandId::kSendToRequestedSites,
        &CListPanel::OnSendToRequestedSites);
    contextMenu_->addSeparator();
    add(contextMenu_, "Properties...", CommandId::kProperties, &CListPanel::OnProperties);
    openFolderSeparator_ = contextMenu_->addSeparator();
    openFolder_ = contextMenu_->addAction(QStringLiteral("Open Containing Folder"));
    connect(openFolder_, &QAction::triggered, this, &CListPanel::OnOpenContainingFolder);
    viewLog_ = contextMenu_->addAction(QStringLiteral("View Log"));
    connect(viewLog_, &QAction::triggered, this, &CListPanel::OnViewLog);
}

void CListPanel::OnViewLog() {
    if (commands_ == nullptr || !opener_) return;
    const int list = commands_->State().ShownList;
    if (list != kRequestedSitesList && list != kDownloadedSitesList) return;
    for (int row = 0; row < RowCount(); ++row) {
        if (!IsRowSelected(row)) continue;
        const std::optional<std::filesystem::path> log = ExistingProjectLog(TextForRecord(RowText(row, 0)));
        if (log) opener_(LocalPathUrl(log->string()));
        return;
    }
}

void CListPanel::OnOpenContainingFolder() {
    if (commands_ == nullptr || !opener_) return;
    const int list = commands_->State().ShownList;
    if (list != kDownloadedFilesList && list != kDownloadedSitesList) return;
    for (int row = 0; row < RowCount(); ++row) {
        if (!IsRowSelected(row)) continue;
        std::filesystem::path folder = DownloadFolder();
        const std::string name = TextForRecord(RowText(row, 0));
        if (list == kDownloadedSitesList && IsSafePathComponent(name)) folder /= name;
        opener_(LocalPathUrl(folder.string()));
        return;
    }
}

void CListPanel::OnInitialUpdate() {
    if (commands_ == nullptr) return;
    LoadLists(commands_->Store());
    setHeaderLabels({QStringLiteral("Project"), QStringLiteral("Status")});
    for (int column = 0; column < 2; ++column) headerItem()->setTextAlignment(column, Qt::AlignCenter);
    setColumnWidth(0, 250);
    setColumnWidth(1, 300);
    DeleteAllRows();
    FillRows(commands_->Store(), kRequestedFilesList, commands_->Window());
}

int CListPanel::InsertTopRow(const QString& column0) {
    painting_.Changing();
    auto* item = new QTreeWidgetItem(QStringList{column0, QString()});
    // Both columns are centred, except that the first column's cells start
    // at the left, as report lists draw them, so addresses line up.
    item->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    item->setTextAlignment(1, Qt::AlignCenter);
    insertTopLevelItem(0, item);
    return 0;
}

void CListPanel::SetRowText(int row, int column, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row); item != nullptr && column >= 0 && column < 2) {
        painting_.Changing();
        item->setText(column, text);
    }
}

void CListPanel::DeleteRow(int row) {
    painting_.Changing();
    delete takeTopLevelItem(row);
}

void CListPanel::DeleteAllRows() {
    painting_.Changing();
    clear();
}

int CListPanel::RowCount() const { return topLevelItemCount(); }

int CListPanel::SelectedCount() const { return static_cast<int>(selectedItems().size()); }

bool CListPanel::IsRowSelected(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr && item->isSelected();
}

QString CListPanel::RowText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item == nullptr ? QString() : item->text(column);
}

void CListPanel::OnEntryDelete() {
    if (commands_ != nullptr) commands_->DeleteEntries();
}

void CListPanel::OnSendToRequestedFiles() {
    if (commands_ != nullptr) commands_->SendToRequestedFiles();
}

void CListPanel::OnSendToRequestedSites() {
    if (commands_ != nullptr) commands_->PanelSendToRequestedSites();
}

void CListPanel::OnProperties() {
    if (commands_ != nullptr) commands_->PanelProperties();
}

void CListPanel::SelectRow(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) return;
    clearSelection();
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
    ReportSelection();
}

void CListPanel::ReportSelection() {
    if (commands_ != nullptr) ::ReportSelection(commands_->State(), commands_->Window());
}

void CListPanel::ShowContextMenu(const QPoint& position) {
    if (commands_ == nullptr) return;
    const int list = commands_->State().ShownList;
    sendToFlag_ = list == kSearchResultsList ? 1 : 0;
    if (SelectedCount() == 0) return;
    const bool downloaded = list == kDownloadedFilesList || list == kDownloadedSitesList;
    openFolderSeparator_->setVisible(downloaded);
    openFolder_->setVisible(downloaded);
    const bool sites = list == kRequestedSitesList || list == kDownloadedSitesList;
    viewLog_->setVisible(sites);
    popup_(*contextMenu_, viewport()->mapToGlobal(position));
}

void CListPanel::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton) ShowContextMenu(event->position().toPoint());
}

// The selection is reported once it has settled: a click inside a selection
// of several rows narrows it, and a drag extends it, only when the button
// comes up.
void CListPanel::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) ReportSelection();
}

void CListPanel::keyReleaseEvent(QKeyEvent* event) {
    ReportSelection();
    QTreeWidget::keyReleaseEvent(event);
}
