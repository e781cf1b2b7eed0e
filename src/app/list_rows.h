#pragma once

#include "store/item_store.h"
#include "workers/app_state.h"
#include "workers/window_port.h"

// The entry list panel's rows and the status texts that follow them.
// Rows show a list newest first: row r is list position count - 1 - r.

// The list position a row shows, for a list of `count` records.
constexpr int PositionOfRow(int row, int count) { return count - 1 - row; }

// Inserts every record of the list at the top, first to last, with its key
// and status. Shows "Error updating list" and stops at a failed insertion;
// returns false then.
bool FillRows(const ItemStore& store, int list, WindowPort& window);

// Makes the list the shown one: clears the rows, writes the three status
// texts with the list's count and fills the rows. Re-choosing the shown
// list, or a number that is no list, does nothing and returns false.
bool SwitchCategory(ItemStore& store, AppState& state, int list, WindowPort& window);

// Reports each selected row, top to bottom, in the status texts and in
// SelectedRow, so the last selected row's texts remain.
void ReportSelection(AppState& state, WindowPort& window);
