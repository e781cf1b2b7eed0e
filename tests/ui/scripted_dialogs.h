#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/gui/frame_dialogs.h"

// Answers the main window's dialogs as a test scripts them and records what
// was asked. Unscripted sheets and dialogs are cancelled.
class ScriptedDialogs : public FrameDialogs {
public:
    std::optional<std::string> AskFileUrl() override {
        ++fileDialogsShown;
        return fileUrl;
    }

    bool EditWebProject(std::string_view title, WebProject& project) override {
        sheetTitles.emplace_back(title);
        sheetsLoadedWith.push_back(project);
        return webSheet && webSheet(project);
    }

    bool NewSearchProject(SearchProject& project) override { return searchDialog && searchDialog(project); }

    bool EditSearchProject(SearchProject& project) override {
        searchesLoadedWith.push_back(project);
        return searchDialog && searchDialog(project);
    }

    bool AskYesNo(std::string_view question) override {
        questions.emplace_back(question);
        return answerYes;
    }

    int StartChoice() override {
        if (onStartChoice) onStartChoice();
        return startChoice;
    }

    void ShowAbout() override { ++aboutShown; }

    bool EditOptions(Options& options) override {
        optionsLoadedWith.push_back(options);
        return optionsDialog && optionsDialog(options);
    }

    // Scripted answers.
    std::optional<std::string> fileUrl;
    std::function<bool(WebProject&)> webSheet;
    std::function<bool(SearchProject&)> searchDialog;
    bool answerYes = true;
    int startChoice = 4;
    std::function<void()> onStartChoice;
    std::function<bool(Options&)> optionsDialog;

    // What was asked.
    int fileDialogsShown = 0;
    std::vector<std::string> sheetTitles;
    std::vector<WebProject> sheetsLoadedWith;
    std::vector<SearchProject> searchesLoadedWith;
    std::vector<std::string> questions;
    int aboutShown = 0;
    std::vector<Options> optionsLoadedWith;
};
