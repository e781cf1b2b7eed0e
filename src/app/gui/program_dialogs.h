#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "app/gui/frame_dialogs.h"
#include "ui/panels/url_opener.h"

class MessageBoxPort;
class QWidget;

// The addresses the two engines of a search project query now, as the
// search dialog's check boxes tell them; empty when not known.
struct SearchEngineAddresses {
    QString altavista;
    QString yahoo;
};

// The program's own dialogs, shown modally over the parent (the start-up
// chooser has none). The search dialog's refusals go to the message port,
// and its engine boxes tell the addresses that `engines` holds at the time
// (none without it); the About box opens the products page with the opener.
// keepsPasswords tells whether a secret store keeps remembered passwords
// beyond the run, which the dialogs that take a login say.
std::unique_ptr<FrameDialogs> MakeProgramDialogs(QWidget* parent, UrlOpener openUrl, MessageBoxPort& messages,
                                                 const SearchEngineAddresses* engines = nullptr,
                                                 std::function<bool()> keepsPasswords = {});
