#include "ui/panels/panel_window_port.h"

#include "ui/panels/activity_animation.h"
#include "ui/panels/dnld_list.h"
#include "ui/panels/list_panel.h"
#include "ui/panels/status_view.h"
#include "ui/record_text.h"

void PanelWindowPort::ShowMessage(std::string_view text) { messages_.ShowMessage(text); }

int PanelWindowPort::InsertTopRow(std::string_view column0) {
    return list_.InsertTopRow(TextFromRecord(column0));
}

void PanelWindowPort::SetRowText(int row, int column, std::string_view text) {
    list_.SetRowText(row, column, TextFromRecord(text));
}

void PanelWindowPort::DeleteRow(int row) { list_.DeleteRow(row); }
void PanelWindowPort::DeleteAllRows() { list_.DeleteAllRows(); }
int PanelWindowPort::RowCount() const { return list_.RowCount(); }
int PanelWindowPort::SelectedCount() const { return list_.SelectedCount(); }
bool PanelWindowPort::IsRowSelected(int row) const { return list_.IsRowSelected(row); }

std::string PanelWindowPort::RowText(int row, int column) const {
    return TextForRecord(list_.RowText(row, column));
}

void PanelWindowPort::SetStatusText(std::string_view text) { status_.SetStatusText(TextFromRecord(text)); }
void PanelWindowPort::SetLastActionText(std::string_view text) {
    status_.SetLastActionText(TextFromRecord(text));
}

void PanelWindowPort::SetCurrentProjectText(std::string_view text) {
    status_.SetCurrentProjectText(TextFromRecord(text));
}

void PanelWindowPort::PlayAnimation() { status_.Animation().Play(); }
void PanelWindowPort::StopAnimation() { status_.Animation().Stop(); }
void PanelWindowPort::ShowTransfer(const TransferFigures& figures) { status_.ShowTransfer(figures); }
void PanelWindowPort::HideTransfer() { status_.HideTransfer(); }
void PanelWindowPort::ShowCheckResult(std::string_view result) {
    status_.ShowCheckResult(TextFromRecord(result));
}

void PanelWindowPort::BeginTreeProject(std::string_view projectName) {
    downloaded_.BeginProject(TextFromRecord(projectName));
}

void PanelWindowPort::AddTreeFile(std::string_view projectName, std::string_view localPath) {
    downloaded_.AddFile(TextFromRecord(projectName), TextFromRecord(localPath));
}

void PanelWindowPort::AddTreeFiles(std::string_view projectName, const std::vector<std::string>& localPaths) {
    QStringList paths;
    paths.reserve(static_cast<qsizetype>(localPaths.size()));
    for (const std::string& path : localPaths) paths.append(TextFromRecord(path));
    downloaded_.AddFiles(TextFromRecord(projectName), paths);
}

void PanelWindowPort::NoteTreeFile(std::string_view projectName, std::string_view localPath,
                                   std::string_view note) {
    downloaded_.NoteFile(TextFromRecord(projectName), TextFromRecord(localPath), TextFromRecord(note));
}

void PanelWindowPort::ReportEntryEnded(const EndedEntry& ended) {
    if (onEntryEnded_) onEntryEnded_(ended);
}

std::optional<LoginAnswer> PanelWindowPort::AskLogin(const LoginQuestion& question) {
    if (!askLogin_) return std::nullopt;
    return askLogin_(question);
}
