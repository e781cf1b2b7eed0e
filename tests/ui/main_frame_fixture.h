#pragma once

#include <string>
#include <vector>

#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/gui/main_frame.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"
#include "ui/panels/list_panel.h"
#include "ui/panels/status_view.h"
#include "ui/panels/tree_panel.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"

// A main window over the process-wide store, in a folder of its own, with
// scripted dialogs and recorded message boxes and opened addresses.
class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }

    void TearDown() override {
        frame.reset();
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }

    // Creates and shows the window; the list files of the folder are read.
    CMainFrame& Open() {
        FrameServices services{&dialogs,    &messages,
                               nullptr,     [this](const QUrl& url) { opened.push_back(url); },
                               &TheStore(), &TheAppState()};
        services.optionsFile = OptionsFile();
        frame = std::make_unique<CMainFrame>(services);
        EXPECT_TRUE(frame->Create());
        frame->InitialUpdate();
        frame->resize(1000, 700);
        frame->show();
        return *frame;
    }

    CListPanel& List() { return frame->ListPanel(); }
    ItemStore& Store() { return TheStore(); }

    // Clicks a category of the tree as the user would.
    void ClickCategory(const QString& text) {
        CTreePanel& tree = frame->TreePanel();
        const QList<QTreeWidgetItem*> items = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        QTreeWidgetItem* item = items.front();
        if (item->parent() != nullptr) item->parent()->setExpanded(true);
        tree.scrollToItem(item);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    }

    void SelectRows(std::initializer_list<int> rows) {
        List().clearSelection();
        for (int row : rows) List().topLevelItem(row)->setSelected(true);
    }

    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < List().RowCount(); ++row)
            texts.push_back(List().RowText(row, column).toStdString());
        return texts;
    }

    void Run(int commandId) { frame->Action(commandId)->trigger(); }

    // The window's options file, in the test's folder.
    QString OptionsFile() const {
        return QString::fromStdString((folder.Path() / "config/options.conf").string());
    }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    std::vector<QUrl> opened;
    std::unique_ptr<CMainFrame> frame;
};
