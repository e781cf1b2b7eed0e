#pragma once

#include <memory>

#include "app/gui/frame_dialogs.h"
#include "ui/panels/url_opener.h"

class MessageBoxPort;
class QWidget;

// The program's own dialogs, shown modally over the parent (the start-up
// chooser has none). The search dialog's refusals go to the message port;
// the About box opens the products page with the opener.
std::unique_ptr<FrameDialogs> MakeProgramDialogs(QWidget* parent, UrlOpener openUrl,
                                                 MessageBoxPort& messages);
