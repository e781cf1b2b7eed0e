#pragma once

#include <QString>

#include "ui/panels/url_opener.h"

class DownloadCommands;
class FrameDialogs;
class MessageBoxPort;

// What the main window reaches outside itself. An empty member stands for
// the program's own: its dialogs, Qt message boxes, the desktop's opener.
// Without download commands, Selected Projects, Stop Downloading and the
// scheduler tick do nothing.
struct FrameServices {
    FrameDialogs* dialogs = nullptr;
    MessageBoxPort* messages = nullptr;
    DownloadCommands* downloads = nullptr;
    UrlOpener openUrl;
    // The QSettings file of the Options; empty: DefaultOptionsFile().
    QString optionsFile{};
};
