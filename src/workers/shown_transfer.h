#pragma once

#include <string_view>

#include "workers/app_state.h"
#include "workers/transfer_board.h"
#include "workers/window_port.h"

// The transfer beside the status line follows the selected row, as the
// status line does: the entry at SelectedRow of the list shown. All three
// run on the user-interface thread.

// Shows the transfer of the selected entry, or hides the figures when none runs.
void ShowSelectedTransfer(const AppState& state, WindowPort& window);

// A worker's report of the entry shown in `list` at `row`; shown when that
// row is the selected one of the list shown.
void ReportTransfer(AppState& state, WindowPort& window, int list, std::string_view key, int row,
                    const TransferBoard::Report& report);

// The entry's worker has ended: its figures go, and the pane follows.
void EndTransfer(AppState& state, WindowPort& window, int list, std::string_view key);
