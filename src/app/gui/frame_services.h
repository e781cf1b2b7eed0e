#pragma once

#include <functional>

#include <QString>

#include "ui/panels/url_opener.h"

struct AppState;
class DownloadCommands;
class FrameDialogs;
class ItemStore;
class MessageBoxPort;

// What the main window reaches outside itself. An empty member stands for
// the program's own: its dialogs, Qt message boxes, the desktop's opener.
// Without download commands, Selected Projects, Stop Downloading and the
// scheduler tick do nothing. The lists and the state are not optional: the
// application object passes the process-wide ones (only it names them), a
// test those of its own.
struct FrameServices {
    FrameDialogs* dialogs = nullptr;
    MessageBoxPort* messages = nullptr;
    DownloadCommands* downloads = nullptr;
    UrlOpener openUrl;
    ItemStore* store = nullptr;
    AppState* state = nullptr;
    // The QSettings file of the Options; empty: DefaultOptionsFile().
    QString optionsFile{};
    // Whether the desktop shows tray icons; empty: ask Qt.
    std::function<bool()> trayAvailable{};
};
