#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry_dialogs.h"
#include "store/records.h"

// Answers the entry commands' dialogs as a test scripts them and records what
// was asked. Unscripted sheets and dialogs are cancelled. `Dialogs` is
// EntryDialogs or an interface that extends it (the main window's).
template <typename Dialogs = EntryDialogs>
class ScriptedEntryDialogsOf : public Dialogs {
public:
    std::optional<EntryDialogs::FileRequest> AskFileUrl() override {
        ++fileDialogsShown;
        if (!fileUrl) return std::nullopt;
        return EntryDialogs::FileRequest{*fileUrl, fileChecksum, fileUser, filePassword};
    }

    bool EditWebProject(std::string_view title, WebProject& project) override {
        sheetTitles.emplace_back(title);
        sheetsLoadedWith.push_back(project);
        return webSheet && webSheet(project);
    }

    bool EditFileProperties(EntryDialogs::FileProperties& properties) override {
        filePropertiesLoadedWith.push_back(properties);
        return fileProperties && fileProperties(properties);
    }

    bool NewSearchProject(SearchProject& project) override { return searchDialog && searchDialog(project); }

    bool EditSearchProject(SearchProject& project) override {
        searchesLoadedWith.push_back(project);
        return searchDialog && searchDialog(project);
    }

    std::optional<LoginAnswer> AskLogin(const LoginQuestion& question) override {
        loginQuestions.push_back(question);
        return loginDialog ? loginDialog(question) : std::nullopt;
    }

    bool AskYesNo(std::string_view question) override {
        questions.emplace_back(question);
        return answerYes;
    }

    // Scripted answers.
    std::optional<std::string> fileUrl;
    std::string fileChecksum;
    std::string fileUser;
    std::string filePassword;
    std::function<std::optional<LoginAnswer>(const LoginQuestion&)> loginDialog;
    std::function<bool(WebProject&)> webSheet;
    std::function<bool(SearchProject&)> searchDialog;
    std::function<bool(EntryDialogs::FileProperties&)> fileProperties;
    bool answerYes = true;

    // What was asked.
    int fileDialogsShown = 0;
    std::vector<std::string> sheetTitles;
    std::vector<WebProject> sheetsLoadedWith;
    std::vector<SearchProject> searchesLoadedWith;
    std::vector<EntryDialogs::FileProperties> filePropertiesLoadedWith;
    std::vector<std::string> questions;
    std::vector<LoginQuestion> loginQuestions;
};

using ScriptedEntryDialogs = ScriptedEntryDialogsOf<>;
