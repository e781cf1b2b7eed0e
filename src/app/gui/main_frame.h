#pragma once

#include <QMainWindow>

class QSplitter;

// The main window: menu, toolbar, status bar and the 2x2 pane grid.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Runs once before the window is first shown; reads the list files.
    void InitialUpdate();

private:
    void CreateClient();

    QSplitter* columns_ = nullptr;
};
