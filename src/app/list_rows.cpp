#include "app/list_rows.h"

#include <string>

#include "workers/shown_transfer.h"

namespace {

struct CategoryTexts {
    const char* lastAction;
    const char* countWords;  // follows " <count>"
};

// Indexed by ShownList - 1.
constexpr CategoryTexts kCategoryTexts[] = {
    {"Requested Files List Selected", " files ready for download"},
    {"Requested Web Sites List Selected", " projects ready for download"},
    {"Downloaded Files List Selected", " files downloaded"},
    {"Downloaded Web Sites List Selected", " projects downloaded"},
    {"Required Search Projects List Selected", " search projects ready for download"},
    {"Search Results List Selected", " search projects completed"},
};

bool IsListNumber(int list) { return list >= kRequestedFilesList && list <= kSearchResultsList; }

template <typename Record>
bool InsertAll(const ItemList<Record>& records, WindowPort& window) {
    for (const Record& record : records) {
        const int row = window.InsertTopRow(KeyOf(record));
        if (row < 0) {
            window.ShowMessage("Error updating list");
            return false;
        }
        window.SetRowText(row, 1, record.status);
    }
    return true;
}

int CountOf(const ItemStore& store, int list) {
    switch (list) {
        case kRequestedFilesList: return store.RequestedFiles.Count();
        case kRequestedSitesList: return store.RequestedSites.Count();
        case kDownloadedFilesList: return store.DownloadedFiles.Count();
        case kDownloadedSitesList: return store.DownloadedSites.Count();
        case kRequestedSearchesList: return store.RequestedSearches.Count();
        case kSearchResultsList: return store.SearchResults.Count();
        default: return 0;
    }
}

}  // namespace

bool FillRows(const ItemStore& store, int list, WindowPort& window) {
    switch (list) {
        case kRequestedFilesList: return InsertAll(store.RequestedFiles, window);
        case kRequestedSitesList: return InsertAll(store.RequestedSites, window);
        case kDownloadedFilesList: return InsertAll(store.DownloadedFiles, window);
        case kDownloadedSitesList: return InsertAll(store.DownloadedSites, window);
        case kRequestedSearchesList: return InsertAll(store.RequestedSearches, window);
        case kSearchResultsList: return InsertAll(store.SearchResults, window);
        default: return true;
    }
}

bool SwitchCategory(ItemStore& store, AppState& state, int list, WindowPort& window) {
    if (!IsListNumber(list) || list == state.ShownList) return false;
    state.ShownList = list;
    window.DeleteAllRows();
    const CategoryTexts& texts = kCategoryTexts[list - 1];
    window.SetCurrentProjectText("None");
    window.SetLastActionText(texts.lastAction);
    window.SetStatusText(" " + std::to_string(CountOf(store, list)) + texts.countWords);
    window.HideTransfer();
    return FillRows(store, list, window);
}

void ReportSelection(AppState& state, WindowPort& window) {
    const int rows = window.RowCount();
    for (int row = 0; row < rows; ++row) {
        if (!window.IsRowSelected(row)) continue;
        const std::string key = window.RowText(row, 0);
        window.SetLastActionText(key + " selected");
        window.SetStatusText(window.RowText(row, 1));
        state.SelectedRow = row;
        if (state.ShownList == kRequestedFilesList) window.SetCurrentProjectText("None");
        if (state.ShownList == kRequestedSitesList) window.SetCurrentProjectText(key);
    }
    if (window.SelectedCount() > 0) ShowSelectedTransfer(state, window);
}
