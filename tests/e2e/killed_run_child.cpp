// The program as a user runs it, with scripted answers in place of the user:
// in the folder given, it adds the address given to the requested files,
// downloads the file already listed there, and goes on running until it is
// killed. Started by the killed-run test.
// Usage: killed_run_child FOLDER ADDRESS_TO_ADD

#include <filesystem>

#include <QApplication>

#include "app/command_ids.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/main_frame.h"
#include "support/fake_message_box.h"
#include "ui/panels/list_panel.h"
#include "ui/scripted_dialogs.h"

int main(int argc, char* argv[]) {
    if (argc != 3) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravenet"));
    std::filesystem::current_path(argv[1]);

    ScriptedDialogs dialogs;
    dialogs.fileUrl = argv[2];
    FakeMessageBox messages;
    CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    if (!app.InitInstance()) return 1;
    CMainFrame& frame = *app.MainFrame();
    frame.Action(CommandId::kAddFiles)->trigger();
    CListPanel& list = frame.ListPanel();
    if (list.RowCount() != 2) return 1;
    list.topLevelItem(1)->setSelected(true);  // the file that was listed already
    frame.Action(CommandId::kSelectedProjects)->trigger();
    return app.ExitInstance(app.Run());
}
