#pragma once

#include <functional>
#include <vector>

#include "app/gui/frame_dialogs.h"
#include "support/scripted_entry_dialogs.h"

// Answers the main window's dialogs as a test scripts them and records what
// was asked: the entry dialogs, the start-up chooser and the About box.
class ScriptedDialogs : public ScriptedEntryDialogsOf<FrameDialogs> {
public:
    int StartChoice() override {
        if (onStartChoice) onStartChoice();
        return startChoice;
    }

    void ShowAbout() override { ++aboutShown; }

    bool EditOptions(Options& options) override {
        optionsLoadedWith.push_back(options);
        return optionsDialog && optionsDialog(options);
    }

    int startChoice = 4;
    std::function<void()> onStartChoice;
    std::function<bool(Options&)> optionsDialog;
    int aboutShown = 0;
    std::vector<Options> optionsLoadedWith;
};
