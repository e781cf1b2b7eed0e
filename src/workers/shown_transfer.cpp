#include "workers/shown_transfer.h"

#include <string>

void ShowSelectedTransfer(const AppState& state, WindowPort& window) {
    const int row = state.SelectedRow;
    const TransferFigures* figures = row >= 0 && row < window.RowCount()
                                         ? state.Transfers.Find(state.ShownList, window.RowText(row, 0))
                                         : nullptr;
    if (figures != nullptr) {
        window.ShowTransfer(*figures);
    } else {
        window.HideTransfer();
    }
}

void ReportTransfer(AppState& state, WindowPort& window, int list, std::string_view key, int row,
                    const TransferBoard::Report& report) {
    const TransferFigures& figures = state.Transfers.Update(list, key, report, TransferMeter::Clock::now());
    if (state.ShownList == list && state.SelectedRow == row) window.ShowTransfer(figures);
}

void EndTransfer(AppState& state, WindowPort& window, int list, std::string_view key) {
    state.Transfers.End(list, key);
    ShowSelectedTransfer(state, window);
}
