#include "support/fake_window.h"

#include <algorithm>

int FakeWindow::InsertTopRow(std::string_view column0) {
    rows.insert(rows.begin(), Row{std::string(column0), "", false});
    calls.push_back("InsertTopRow " + std::string(column0));
    return 0;
}

void FakeWindow::SetRowText(int row, int column, std::string_view text) {
    if (onRowText) onRowText(row, column, text);
    calls.push_back("SetRowText " + std::to_string(row) + " " + std::to_string(column) + " " +
                    std::string(text));
    if (row < 0 || row >= RowCount()) return;
    (column == 0 ? rows[row].project : rows[row].status) = text;
}

void FakeWindow::DeleteRow(int row) {
    calls.push_back("DeleteRow " + std::to_string(row));
    if (row < 0 || row >= RowCount()) return;
    rows.erase(rows.begin() + row);
}

void FakeWindow::DeleteAllRows() {
    calls.push_back("DeleteAllRows");
    rows.clear();
}

int FakeWindow::SelectedCount() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.selected; }));
}

bool FakeWindow::IsRowSelected(int row) const { return row >= 0 && row < RowCount() && rows[row].selected; }

std::string FakeWindow::RowText(int row, int column) const {
    if (row < 0 || row >= RowCount()) return {};
    return column == 0 ? rows[row].project : rows[row].status;
}

void FakeWindow::SetStatusText(std::string_view text) {
    calls.push_back("SetStatusText " + std::string(text));
    statusText = text;
}

void FakeWindow::SetLastActionText(std::string_view text) {
    calls.push_back("SetLastActionText " + std::string(text));
    lastActionText = text;
}

void FakeWindow::SetCurrentProjectText(std::string_view text) {
    calls.push_back("SetCurrentProjectText " + std::string(text));
    currentProjectText = text;
}

void FakeWindow::PlayAnimation() {
    calls.push_back("PlayAnimation");
    animationPlaying = true;
}

void FakeWindow::StopAnimation() {
    calls.push_back("StopAnimation");
    animationPlaying = false;
}

void FakeWindow::BeginTreeProject(std::string_view projectName) {
    calls.push_back("BeginTreeProject " + std::string(projectName));
    treeProjects.emplace_back(projectName);
}

void FakeWindow::AddTreeFile(std::string_view projectName, std::string_view localPath) {
    calls.push_back("AddTreeFile " + std::string(projectName) + " " + std::string(localPath));
    treeFiles.emplace_back(localPath);
}

void FakeWindow::ShowMessage(std::string_view text) {
    calls.push_back("ShowMessage " + std::string(text));
    messages.emplace_back(text);
    if (onMessage) onMessage(text);
}

void FakeWindow::Select(std::initializer_list<int> selectedRows) {
    for (Row& row : rows) row.selected = false;
    for (int row : selectedRows) {
        if (row >= 0 && row < RowCount()) rows[row].selected = true;
    }
}
