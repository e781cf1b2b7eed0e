#pragma once

#include "app/entry_dialogs.h"

// The main window's dialogs: the entry dialogs, the start-up chooser and
// the About box. The program shows its own; tests script the answers.
class FrameDialogs : public EntryDialogs {
public:
    // The start-up chooser's choice "Start a New Project": 2 a web site
    // project, 3 a search project, 4 just start; 0 when not left with Proceed.
    virtual int StartChoice() = 0;
    virtual void ShowAbout() = 0;
};
