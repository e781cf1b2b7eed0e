#include "ui/panels/dnld_list.h"

#include <filesystem>
#include <string>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "ui/record_text.h"

namespace {

const QString kPlaceholder = QStringLiteral("No files downloaded");

// A file's path: its text, or what was kept when a note joined it.
QString PathOf(const QTreeWidgetItem& item) {
    const QVariant kept = item.data(0, Qt::UserRole);
    return kept.isValid() ? kept.toString() : item.text(0);
}

}  // namespace

CDnldList::CDnldList(QWidget* parent) : QTreeWidget(parent), opener_(DesktopUrlOpener()) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    // Otherwise every layout measures the text of every row.
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    contextMenu_ = new QMenu(this);
    connect(contextMenu_->addAction(QStringLiteral("Open")), &QAction::triggered, this,
            &CDnldList::OpenSelectedFile);
    connect(contextMenu_->addAction(QStringLiteral("Open Containing Folder")), &QAction::triggered, this,
            &CDnldList::OpenSelectedFolder);
}

void CDnldList::OnInitialUpdate() {
    clear();
    addTopLevelItem(new QTreeWidgetItem(QStringList{kPlaceholder}));
}

QTreeWidgetItem* CDnldList::FindProject(const QString& projectName) const {
    for (int index = 0; index < topLevelItemCount(); ++index) {
        QTreeWidgetItem* root = topLevelItem(index);
        if (root->text(0).contains(projectName)) return root;
    }
    return nullptr;
}

QTreeWidgetItem* CDnldList::BeginProject(const QString& projectName) {
    painting_.Changing();
    if (topLevelItemCount() > 0 && topLevelItem(0)->text(0).contains(QStringLiteral("No files"))) clear();
    if (QTreeWidgetItem* root = FindProject(projectName)) return root;
    auto* root = new QTreeWidgetItem(QStringList{projectName});
    addTopLevelItem(root);
    return root;
}

void CDnldList::AddFile(const QString& projectName, const QString& localPath) {
    AddFiles(projectName, QStringList{localPath});
}

void CDnldList::AddFiles(const QString& projectName, const QStringList& localPaths) {
    if (localPaths.isEmpty()) return;
    QTreeWidgetItem* root = FindProject(projectName);
    if (root == nullptr) root = BeginProject(projectName);
    painting_.Changing();
    QList<QTreeWidgetItem*> files;
    files.reserve(localPaths.size());
    for (const QString& path : localPaths) files.append(new QTreeWidgetItem(QStringList{path}));
    root->addChildren(files);
    if (!root->isExpanded()) root->setExpanded(true);
}

void CDnldList::NoteFile(const QString& projectName, const QString& localPath, const QString& note) {
    QTreeWidgetItem* root = FindProject(projectName);
    if (root == nullptr) return;
    // The file noted is most often the one added last.
    for (int index = root->childCount() - 1; index >= 0; --index) {
        QTreeWidgetItem* file = root->child(index);
        if (PathOf(*file) != localPath) continue;
        painting_.Changing();
        file->setData(0, Qt::UserRole, localPath);
        file->setText(0, localPath + QStringLiteral(" \u2014 ") + note);
        file->setToolTip(0, note);
        return;
    }
}

void CDnldList::OpenSelectedFile() {
    const QTreeWidgetItem* item = currentItem();
    if (item == nullptr || item->parent() == nullptr || !opener_) return;
    opener_(LocalPathUrl(TextForRecord(PathOf(*item))));
}

void CDnldList::OpenSelectedFolder() {
    const QTreeWidgetItem* item = currentItem();
    if (item == nullptr || item->parent() == nullptr || !opener_) return;
    opener_(LocalPathUrl(std::filesystem::path(TextForRecord(PathOf(*item))).parent_path().string()));
}

void CDnldList::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (item == nullptr || item->parent() == nullptr) return;
    setCurrentItem(item);
    contextMenu_->exec(event->globalPos());
}

// The tree handles a double-click first: it folds or unfolds a project.
void CDnldList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) OpenSelectedFile();
}

// Enter opens a saved file as a double-click does; on a project or the
// placeholder it does what the tree does with it.
void CDnldList::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QTreeWidgetItem* item = currentItem();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && item != nullptr && item->parent() != nullptr) {
        OpenSelectedFile();
        return event->accept();
    }
    QTreeWidget::keyPressEvent(event);
}
