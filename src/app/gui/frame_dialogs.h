#pragma once

#include "app/entry_dialogs.h"
#include "workers/options.h"

// The main window's dialogs: the entry dialogs, the start-up chooser,
// the About box and the Options. The program shows its own; tests script the answers.
class FrameDialogs : public EntryDialogs {
public:
    // The start-up chooser's choice "Start a New Project": 2 a web site
    // project, 3 a search project, 4 just start; 0 when not left with Proceed.
    virtual int StartChoice() = 0;
    virtual void ShowAbout() = 0;
    // Download > Options, loaded from the options; on OK they are replaced
    // by what was entered.
    virtual bool EditOptions(Options& options) = 0;
};
