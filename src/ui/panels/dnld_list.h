#pragma once

#include <QTreeWidget>

#include "ui/panels/paint_pacer.h"
class QMenu;

#include "ui/panels/url_opener.h"

// What the site crawler saved in this run, one root item per project with
// its files below. Double-clicking a file, or Enter on it, opens it with the
// desktop's default application; a double-click on a project folds it. A
// file's context menu also opens the folder that holds it.
class CDnldList : public QTreeWidget {
    Q_OBJECT

public:
    explicit CDnldList(QWidget* parent = nullptr);

    void SetOpener(UrlOpener opener) { opener_ = std::move(opener); }

    // Shows the placeholder "No files downloaded".
    void OnInitialUpdate();

    // The project's root item: the placeholder goes, then the first root
    // whose text contains the name, or a new one at the end.
    QTreeWidgetItem* BeginProject(const QString& projectName);
    // A saved file under the project's root item, which is expanded.
    void AddFile(const QString& projectName, const QString& localPath);
    // Saved files under the project's root item, in order, in one change.
    void AddFiles(const QString& projectName, const QStringList& localPaths);

    // Shows what the check of a saved file found after its path (the file
    // added last of that path); the file opens as before.
    void NoteFile(const QString& projectName, const QString& localPath, const QString& note);

    // Opens the selected item when it is a file (it has a parent).
    void OpenSelectedFile();
    // Opens the folder of the selected item when it is a file.
    void OpenSelectedFolder();

    // A file's context menu: "Open" and "Open Containing Folder".
    QMenu& ContextMenu() { return *contextMenu_; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTreeWidgetItem* FindProject(const QString& projectName) const;

    UrlOpener opener_;
    PaintPacer painting_{*this};
    QMenu* contextMenu_ = nullptr;
};
