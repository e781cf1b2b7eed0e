#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/message_box.h"
#include "workers/login_question.h"
#include "workers/transfer_board.h"

// An entry whose work has ended, with what the desktop needs to act on it.
struct EndedEntry {
    int list = 0;           // the list holding the entry now (ShownListNumber)
    std::string key;        // its address or project name, as its row shows it
    std::string outcome;    // "Success" or what went wrong
    std::string localPath;  // the saved file, or the crawl's folder; empty for neither
};

// What the commands, the scheduler and the workers may do to the windows:
// the rows of the entry list panel, the status view's three lines and its
// animation, the downloaded tree and a modal message box. The Qt panels
// implement it; tests use a fake that records every call. Called on the
// user-interface thread only (workers hand their steps over to it).
class WindowPort : public MessageBoxPort {
public:
    // Entry list panel. Rows count from 0 at the top.
    virtual int InsertTopRow(std::string_view column0) = 0;  // new row 0, or -1
    virtual void SetRowText(int row, int column, std::string_view text) = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;
    virtual int RowCount() const = 0;
    virtual int SelectedCount() const = 0;
    virtual bool IsRowSelected(int row) const = 0;
    virtual std::string RowText(int row, int column) const = 0;

    // Status view.
    virtual void SetStatusText(std::string_view text) = 0;
    virtual void SetLastActionText(std::string_view text) = 0;
    virtual void SetCurrentProjectText(std::string_view text) = 0;
    virtual void PlayAnimation() = 0;  // from the first frame, repeating
    virtual void StopAnimation() = 0;  // stays on the frame reached
    // Beside the status line: how far the selected entry's transfer is, or nothing.
    virtual void ShowTransfer(const TransferFigures& figures) = 0;
    virtual void HideTransfer() = 0;
    // Below the status line: what the check of the selected entry's file
    // against its checksum found. Until another entry's transfer is shown.
    virtual void ShowCheckResult(std::string_view /*result*/) {}

    // Downloaded tree: a project's root item (found by containment or
    // appended; the placeholder goes), and one saved file under it.
    virtual void BeginTreeProject(std::string_view projectName) = 0;
    virtual void AddTreeFile(std::string_view projectName, std::string_view localPath) = 0;
    // Several saved files of one project, in order; a window may add them in
    // one change of its tree.
    virtual void AddTreeFiles(std::string_view projectName, const std::vector<std::string>& localPaths) {
        for (const std::string& path : localPaths) AddTreeFile(projectName, path);
    }

    // What the check of a saved file under the project found, shown with it.
    virtual void NoteTreeFile(std::string_view /*projectName*/, std::string_view /*localPath*/,
                              std::string_view /*note*/) {}

    // An entry's work has ended; the desktop may tell the user while the
    // window is in the background.
    virtual void ReportEntryEnded(const EndedEntry& ended) = 0;

    // A modal login dialog for a server that answered 401; nothing when the
    // user cancels or no dialog can be shown.
    virtual std::optional<LoginAnswer> AskLogin(const LoginQuestion& /*question*/) { return std::nullopt; }
};
