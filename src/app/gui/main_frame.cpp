#include "app/gui/main_frame.h"

#include <QFrame>
#include <QSplitter>

#include "app/app_state.h"
#include "store/item_store.h"
#include "store/list_files.h"

namespace {

QWidget* MakePane(QWidget* parent) {
    auto* pane = new QFrame(parent);
    pane->setFrameShape(QFrame::StyledPanel);
    return pane;
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    CreateClient();
    TheAppState().ShownList = 1;
}

void CMainFrame::CreateClient() {
    columns_ = new QSplitter(Qt::Horizontal, this);
    for (int column = 0; column < 2; ++column) {
        auto* rows = new QSplitter(Qt::Vertical, columns_);
        rows->addWidget(MakePane(rows));
        rows->addWidget(MakePane(rows));
    }
    setCentralWidget(columns_);
}

void CMainFrame::InitialUpdate() { LoadLists(TheStore()); }
