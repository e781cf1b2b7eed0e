#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/item_list.h"
#include "workers/window_port.h"

// A window that records what is done to it: the rows of the entry list with
// their selection, the status view's texts and animation, the downloaded
// tree and the message boxes, plus a log of every call in order.
class FakeWindow : public WindowPort {
public:
    struct Row {
        std::string project;
        std::string status;
        bool selected = false;
    };

    int InsertTopRow(std::string_view column0) override;
    void SetRowText(int row, int column, std::string_view text) override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;
    int RowCount() const override { return static_cast<int>(rows.size()); }
    int SelectedCount() const override;
    bool IsRowSelected(int row) const override;
    std::string RowText(int row, int column) const override;

    void SetStatusText(std::string_view text) override;
    void SetLastActionText(std::string_view text) override;
    void SetCurrentProjectText(std::string_view text) override;
    void PlayAnimation() override;
    void StopAnimation() override;
    // Kept out of `calls`: progress comes and goes with the timing of the reports.
    void ShowTransfer(const TransferFigures& figures) override {
        transfer = figures;
        transfersShown.push_back(figures);
    }
    void HideTransfer() override { transfer.reset(); }
    void ShowCheckResult(std::string_view result) override { checkResult = result; }

    void BeginTreeProject(std::string_view projectName) override;
    void AddTreeFile(std::string_view projectName, std::string_view localPath) override;
    void NoteTreeFile(std::string_view, std::string_view localPath, std::string_view note) override {
        treeNotes.push_back(std::string(localPath) + ": " + std::string(note));
    }

    void ReportEntryEnded(const EndedEntry& ended) override {
        endedEntries.emplace_back(ended.key + ": " + ended.outcome);
    }

    void ShowMessage(std::string_view text) override;

    // Answered by `onLogin` as the user would; no answer without it.
    std::optional<LoginAnswer> AskLogin(const LoginQuestion& question) override {
        loginQuestions.push_back(question);
        return onLogin ? onLogin(question) : std::nullopt;
    }

    // Shows a list the way the entry list panel does: each record inserted
    // at the top, first to last, so row r holds position count - 1 - r.
    template <typename Record>
    void Show(const ItemList<Record>& list) {
        DeleteAllRows();
        for (const Record& record : list) {
            InsertTopRow(KeyOf(record));
            SetRowText(0, 1, record.status);
        }
        calls.clear();
    }
    void Select(std::initializer_list<int> selectedRows);

    std::vector<Row> rows;
    std::string statusText;
    std::string lastActionText;
    std::string currentProjectText;
    bool animationPlaying = false;
    std::vector<std::string> messages;
    std::vector<std::string> treeProjects;
    std::vector<std::string> treeFiles;
    std::vector<std::string> treeNotes;  // "path: note"
    std::vector<std::string> calls;
    std::optional<TransferFigures> transfer;  // the figures beside the status line
    std::vector<TransferFigures> transfersShown;
    std::vector<std::string> endedEntries;  // "entry: outcome"
    std::string checkResult;
    // Runs when a message box is shown, as the user would answer it.
    std::function<void(std::string_view text)> onMessage;
    std::vector<LoginQuestion> loginQuestions;
    std::function<std::optional<LoginAnswer>(const LoginQuestion& question)> onLogin;
    // Runs before a row's text is set; a test makes it throw to fail the step.
    std::function<void(int row, int column, std::string_view text)> onRowText;
};
