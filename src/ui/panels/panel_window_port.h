#pragma once

#include <functional>

#include "workers/window_port.h"

class CListPanel;
class CStatusView;
class CDnldList;

// The window interface over the main window's panes: the entry list's
// rows, the status view's lines and animation, the downloaded tree, and
// message boxes through the given port. User-interface thread only.
class PanelWindowPort : public WindowPort {
public:
    PanelWindowPort(CListPanel& list, CStatusView& status, CDnldList& downloaded, MessageBoxPort& messages)
        : list_(list), status_(status), downloaded_(downloaded), messages_(messages) {}

    void ShowMessage(std::string_view text) override;

    int InsertTopRow(std::string_view column0) override;
    void SetRowText(int row, int column, std::string_view text) override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;
    int RowCount() const override;
    int SelectedCount() const override;
    bool IsRowSelected(int row) const override;
    std::string RowText(int row, int column) const override;

    void SetStatusText(std::string_view text) override;
    void SetLastActionText(std::string_view text) override;
    void SetCurrentProjectText(std::string_view text) override;
    void PlayAnimation() override;
    void StopAnimation() override;
    void ShowTransfer(const TransferFigures& figures) override;
    void HideTransfer() override;
    void ShowCheckResult(std::string_view result) override;

    void BeginTreeProject(std::string_view projectName) override;
    void AddTreeFile(std::string_view projectName, std::string_view localPath) override;
    void AddTreeFiles(std::string_view projectName, const std::vector<std::string>& localPaths) override;
    void NoteTreeFile(std::string_view projectName, std::string_view localPath,
                      std::string_view note) override;

    // Ended entries go to the handler, when there is one.
    using EntryEndedHandler = std::function<void(const EndedEntry& ended)>;
    void SetEntryEndedHandler(EntryEndedHandler handler) { onEntryEnded_ = std::move(handler); }
    void ReportEntryEnded(const EndedEntry& ended) override;

    // Login questions go to the asker, when there is one.
    using LoginAsker = std::function<std::optional<LoginAnswer>(const LoginQuestion& question)>;
    void SetLoginAsker(LoginAsker asker) { askLogin_ = std::move(asker); }
    std::optional<LoginAnswer> AskLogin(const LoginQuestion& question) override;

private:
    CListPanel& list_;
    CStatusView& status_;
    CDnldList& downloaded_;
    MessageBoxPort& messages_;
    EntryEndedHandler onEntryEnded_;
    LoginAsker askLogin_;
};
