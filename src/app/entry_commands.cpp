#include "app/entry_commands.h"

#include <string>
#include <type_traits>

#include "app/dropped_addresses.h"
#include "app/list_rows.h"
#include "engine/crawl_log.h"
#include "engine/http_file_worker.h"
#include "engine/server_logins.h"
#include "net/server_login.h"
#include "store/address_text.h"
#include "store/text_utils.h"
#include "workers/shown_transfer.h"
#include "workers/worker_control.h"

namespace {

constexpr const char* kReady = "Ready for download";
constexpr std::size_t kNameChars = decltype(WebProject::name)::kCapacity;

// Whether the record still lives in the list: a modal dialog runs the event
// loop, so a worker's step may have removed it meanwhile.
template <typename Record>
bool Holds(const ItemList<Record>& list, const Record* record) {
    for (const Record& held : list) {
        if (&held == record) return true;
    }
    return false;
}

// What the web project sheet leaves aside when it is stored by a command.
void FinishStoredProject(WebProject& project) {
    project.startUrl = EscapeBlanks(project.startUrl, decltype(project.startUrl)::kCapacity);
    project.reserved = 0;
    project.status = kReady;
}

// Ends the worker of the entry with this key, running or halted: it is
// released from its gate, its transfer aborted, and it ends without touching
// any list. Its record goes at once, so that a new entry of the same key
// gets a worker of its own instead of this one.
void EndWorkerOf(ItemList<WorkerRecord>& active, std::string_view key) {
    const int position = active.FindByName(key);
    if (position < 0) return;
    if (const std::shared_ptr<WorkerControl> control = active.GetAt(position)->thread) control->End();
    active.RemoveAt(position);
}

// A file address's checksum goes with the last entry of it.
void ForgetChecksumUnlessListed(ItemStore& store, std::string_view url) {
    for (const ItemList<FileEntry>* list :
         {&store.RequestedFiles, &store.DownloadedFiles, &store.SearchResults}) {
        for (const FileEntry& entry : *list) {
            if (std::string_view(entry.url) == url) return;
        }
    }
    store.Checksums.Erase(url);
}

void EndEveryWorker(ItemList<WorkerRecord>& active) {
    while (active.Count() > 0) EndWorkerOf(active, active.GetAt(0)->name);
}

std::string Prefix(std::string text, std::size_t length) {
    if (text.size() > length) text.resize(length);
    return text;
}

}  // namespace

bool EntryCommands::InsertNewRow(int list, std::string_view key) {
    if (state_.ShownList != list) return true;
    const int row = window_.InsertTopRow(key);
    if (row < 0) {
        window_.ShowMessage("Error adding files to list");
        return false;
    }
    window_.SetRowText(row, 1, kReady);
    return true;
}

void EntryCommands::AddFiles() {
    const std::optional<EntryDialogs::FileRequest> typed = dialogs_.AskFileUrl();
    if (!typed) return;
    AddFileUrl(typed->url, typed->checksum);
    if (!typed->user.empty())
        GiveLogin(WithDefaultScheme(TrimBlanks(typed->url)), typed->user, typed->password);
}

void EntryCommands::GiveLogin(const std::string& url, const std::string& user, const std::string& password) {
    const std::optional<LoginOrigin> origin = LoginOriginOf(url);
    if (!origin) return;
    const LoginKey key = LoginKeyOf(*origin);
    if (user.empty()) {
        store_.Logins.Erase(key);
    } else if (LoginFieldProblem(user) || LoginFieldProblem(password)) {
        window_.ShowMessage("The login holds a control character or is too long");
    } else {
        store_.Logins.Set(key, {user, password, true});
    }
}

void EntryCommands::AddFileUrl(std::string_view typed, std::string_view checksumText) {
    // Trimmed before the scheme goes in front, which would make leading
    // blanks inner ones; an address of blanks only is an empty one.
    const std::string_view address = TrimBlanks(typed);
    if (address.empty()) return;
    const std::optional<Checksum> checksum = ParseChecksum(checksumText);
    if (!checksum && !TrimBlanks(checksumText).empty()) {
        window_.ShowMessage(kInvalidChecksumMessage);
        return;
    }
    const std::string url = EscapeBlanks(WithDefaultScheme(address), decltype(FileEntry::url)::kCapacity);
    if (!InsertNewRow(kRequestedFilesList, url)) return;
    store_.RequestedFiles.AppendUrl(url);
    // Without a new one, a checksum given before for the address stays.
    if (checksum) store_.Checksums.Set(url, *checksum);
}

void EntryCommands::AddWebSite(std::string_view startUrl) {
    WebProject project;
    project.startUrl = startUrl.empty() ? dialogs_.OfferedAddress() : std::string(startUrl);
    project.startOnRequest = 1;
    project.stopOnRequest = 1;
    if (!dialogs_.EditWebProject("Add New Web Project", project) || project.name.Empty()) return;
    if (store_.RequestedSites.FindByName(project.name) >= 0) {
        window_.ShowMessage("A project with that name already exists!");
        return;
    }
    FinishStoredProject(project);
    if (project.startOnRequest == 1) project.startMinute = project.startHour = 0;
    if (project.stopOnRequest == 1) project.stopMinute = project.stopHour = 0;
    if (!InsertNewRow(kRequestedSitesList, project.name)) return;
    store_.RequestedSites.Append(project);
}

void EntryCommands::AddDroppedText(std::string_view text) {
    const DroppedAddresses dropped = SplitDroppedText(text);
    AddAddresses(dropped.addresses, state_.ShownList == kRequestedSitesList);
    if (!dropped.refused.empty()) window_.ShowMessage(RefusalMessage(dropped.refused));
}

void EntryCommands::AddAddresses(const std::vector<std::string>& addresses, bool asWebSites) {
    for (const std::string& address : addresses) {
        if (asWebSites) {
            AddWebSite(address);
        } else {
            AddFileUrl(address);
        }
    }
}

void EntryCommands::AddSearchProject() {
    SearchProject project;
    if (!dialogs_.NewSearchProject(project)) return;
    project.status = kReady;
    if (!InsertNewRow(kRequestedSearchesList, project.name)) return;
    store_.RequestedSearches.Append(project);
}

void EntryCommands::EndEntry(int listNumber, ItemList<WorkerRecord>& active, std::string_view key) {
    EndWorkerOf(active, key);
    EndTransfer(state_, window_, listNumber, key);
    if (downloads_ != nullptr) downloads_->ForgetEntry(listNumber, key);
}

template <typename Record>
void EntryCommands::EndEveryEntry(const ItemList<Record>& list, ItemList<WorkerRecord>& active,
                                  int listNumber) {
    for (const Record& record : list) EndEntry(listNumber, active, std::string(KeyOf(record)));
}

template <typename Record>
void EntryCommands::DeleteSelectedRows(ItemList<Record>& list, ItemList<WorkerRecord>& active,
                                       int listNumber) {
    const int selected = window_.SelectedCount();
    for (int pass = 0; pass < selected; ++pass) {
        for (int row = 0; row < list.Count() && row < window_.RowCount(); ++row) {
            if (!window_.IsRowSelected(row)) continue;
            const int position = PositionOfRow(row, list.Count());
            window_.DeleteRow(row);
            const std::string key(KeyOf(*list.GetAt(position)));
            if constexpr (std::is_same_v<Record, FileEntry>) ForgetPartRecordOf(key);
            if constexpr (std::is_same_v<Record, WebProject>) RemoveCrawlLog(key);
            list.RemoveAt(position);
            if constexpr (std::is_same_v<Record, FileEntry>) ForgetChecksumUnlessListed(store_, key);
            // Last: a waiting entry may start in the place this one leaves.
            EndEntry(listNumber, active, key);
            break;
        }
    }
}

void EntryCommands::DeleteEntries() {
    const int list = state_.ShownList;
    if (list != kRequestedFilesList && list != kRequestedSitesList && list != kRequestedSearchesList) {
        window_.ShowMessage("You are not alowed to delete entries in this panel");
        return;
    }
    const int selected = window_.SelectedCount();
    if (selected == 0) return;
    if (!dialogs_.AskYesNo(selected == 1 ? "Are you sure you want to delete that entry?"
                                         : "Are you sure you want to delete those entries?")) {
        return;
    }
    // The question ran the event loop: the list shown is still the same,
    // since only the category tree changes it and the question is modal.
    if (list == kRequestedFilesList)
        DeleteSelectedRows(store_.RequestedFiles, store_.ActiveFileDownloads, list);
    if (list == kRequestedSitesList) DeleteSelectedRows(store_.RequestedSites, store_.ActiveSiteCrawls, list);
    if (list == kRequestedSearchesList)
        DeleteSelectedRows(store_.RequestedSearches, store_.ActiveSearchRuns, list);
}

void EntryCommands::RenameRow(int row, std::string_view oldKey, std::string_view newKey, int onlyWhileShown) {
    if (onlyWhileShown != 0 && state_.ShownList != onlyWhileShown) return;
    // A worker may have deleted rows while the dialog was open; rename the
    // row only while it still shows the record.
    if (row >= window_.RowCount()) return;
    if (window_.RowText(row, 0) != oldKey) return;
    window_.SetRowText(row, 0, newKey);
}

void EntryCommands::EditSiteOfRow(int row, Lookup lookup, bool renameOnlyWhileShown) {
    ItemList<WebProject>& sites = store_.RequestedSites;
    const std::string rowKey = window_.RowText(row, 0);
    const int position = lookup == Lookup::kByRowText ? sites.FindByName(Prefix(rowKey, kNameChars))
                                                      : PositionOfRow(row, sites.Count());
    WebProject* record = sites.GetAt(position);
    if (record == nullptr) return;
    WebProject edited = *record;
    if (!dialogs_.EditWebProject("Web Project Properties", edited)) return;
    FinishStoredProject(edited);
    if (!Holds(sites, record)) return;
    const std::string oldName = record->name.Str();
    RenameCrawlLog(oldName, edited.name.Str());
    *record = edited;
    if (!EqualsNoCase(oldName, edited.name)) EndEntry(kRequestedSitesList, store_.ActiveSiteCrawls, oldName);
    RenameRow(row, rowKey, record->name, renameOnlyWhileShown ? kRequestedSitesList : 0);
    sites.SetModified(true);
}

void EntryCommands::EditSearchOfRow(int row, bool renameOnlyWhileShown) {
    ItemList<SearchProject>& searches = store_.RequestedSearches;
    const std::string rowKey = window_.RowText(row, 0);
    SearchProject* record = searches.GetAt(searches.FindByName(Prefix(rowKey, kNameChars)));
    if (record == nullptr) return;
    SearchProject edited = *record;
    if (!dialogs_.EditSearchProject(edited)) return;
    edited.status = kReady;
    if (!Holds(searches, record)) return;
    const std::string oldName = record->name.Str();
    *record = edited;
    if (!EqualsNoCase(oldName, edited.name))
        EndEntry(kRequestedSearchesList, store_.ActiveSearchRuns, oldName);
    RenameRow(row, rowKey, record->name, renameOnlyWhileShown ? kRequestedSearchesList : 0);
    searches.SetModified(true);
}

void EntryCommands::EditFileOfRow(const ItemList<FileEntry>& list, int row) {
    const FileEntry* record = list.GetAt(list.FindByName(window_.RowText(row, 0)));
    if (record == nullptr) return;
    const std::string url(record->url);
    const ChecksumTable::Entry* known = store_.Checksums.Find(url);
    const std::optional<LoginOrigin> origin = LoginOriginOf(url);
    const LoginTable::Entry* login = origin ? store_.Logins.Find(LoginKeyOf(*origin)) : nullptr;
    const std::string user = login ? login->user : "";
    EntryDialogs::FileProperties properties{url,
                                            known && known->expected ? ChecksumText(*known->expected) : "",
                                            known ? known->result : "", user, ""};
    if (!dialogs_.EditFileProperties(properties)) return;
    if (properties.user != user || !properties.password.empty()) {
        GiveLogin(url, properties.user, properties.password);
    }
    if (TrimBlanks(properties.checksum).empty()) {
        store_.Checksums.EraseExpected(url);
    } else if (const std::optional<Checksum> checksum = ParseChecksum(properties.checksum)) {
        store_.Checksums.Set(url, *checksum);
    } else {
        window_.ShowMessage(kInvalidChecksumMessage);
    }
}

void EntryCommands::EditProperties(Lookup siteLookup, bool renameOnlyWhileShown) {
    const int list = state_.ShownList;
    if (window_.SelectedCount() == 0) return;
    if (list == kRequestedFilesList || list == kDownloadedFilesList) {
        const ItemList<FileEntry>& files =
            list == kRequestedFilesList ? store_.RequestedFiles : store_.DownloadedFiles;
        for (int row = 0; row < window_.RowCount(); ++row) {
            if (window_.IsRowSelected(row)) EditFileOfRow(files, row);
        }
        return;
    }
    if (list != kRequestedSitesList && list != kRequestedSearchesList) return;
    for (int row = 0; row < window_.RowCount(); ++row) {
        if (!window_.IsRowSelected(row)) continue;
        if (list == kRequestedSitesList) EditSiteOfRow(row, siteLookup, renameOnlyWhileShown);
        if (list == kRequestedSearchesList) EditSearchOfRow(row, renameOnlyWhileShown);
    }
}

void EntryCommands::WindowProperties() { EditProperties(Lookup::kByRowText, true); }

void EntryCommands::PanelProperties() { EditProperties(Lookup::kByRowPosition, false); }

void EntryCommands::SendToRequestedFiles() {
    if (state_.ShownList != kSearchResultsList || window_.SelectedCount() == 0) return;
    for (int row = 0; row < window_.RowCount(); ++row) {
        if (!window_.IsRowSelected(row)) continue;
        const std::string url = window_.RowText(row, 0);
        if (!url.empty() && url.back() == '/') return;
        FileEntry entry;
        entry.url = EscapeBlanks(url, decltype(entry.url)::kCapacity);
        entry.status = "Ready for donwload";
        store_.RequestedFiles.Append(entry);
    }
}

void EntryCommands::WindowSendToRequestedSites() {
    if (state_.ShownList != kSearchResultsList || window_.SelectedCount() == 0) return;
    for (int row = 0; row < window_.RowCount(); ++row) {
        if (!window_.IsRowSelected(row)) continue;
        sendToScratch_.startUrl = window_.RowText(row, 0);
        sendToScratch_.name = window_.RowText(row, 1);
        sendToScratch_.startOnRequest = 1;
        sendToScratch_.stopOnRequest = 1;
        if (!dialogs_.EditWebProject("Web Project Properties", sendToScratch_)) continue;
        FinishStoredProject(sendToScratch_);
        store_.RequestedSites.Append(sendToScratch_);
    }
}

void EntryCommands::PanelSendToRequestedSites() {
    if (state_.ShownList != kSearchResultsList || window_.SelectedCount() == 0) return;
    for (int row = 0; row < window_.RowCount(); ++row) {
        if (!window_.IsRowSelected(row)) continue;
        WebProject project;
        project.startUrl = window_.RowText(row, 0);
        project.name = window_.RowText(row, 1);
        if (!dialogs_.EditWebProject("New Web Project ", project)) continue;
        FinishStoredProject(project);
        store_.RequestedSites.Append(project);
    }
}

namespace {

template <typename Record>
void RemoveAll(ItemList<Record>& list) {
    for (int position = list.Count() - 1; position >= 0; --position) list.RemoveAt(position);
    // Also a list that was empty already: its file, if any, goes at exit.
    list.SetModified(true);
}

}  // namespace

void EntryCommands::DeleteAllLists() {
    EndEveryWorker(store_.ActiveFileDownloads);
    EndEveryWorker(store_.ActiveSiteCrawls);
    EndEveryWorker(store_.ActiveSearchRuns);
    for (const FileEntry& entry : store_.RequestedFiles) ForgetPartRecordOf(entry.url);
    for (const WebProject& project : store_.RequestedSites) RemoveCrawlLog(project.name.Str());
    for (const WebProject& project : store_.DownloadedSites) RemoveCrawlLog(project.name.Str());
    // The entries go before they are ended, so no waiting one starts.
    const ItemList<FileEntry> goneFiles = store_.RequestedFiles;
    const ItemList<WebProject> goneSites = store_.RequestedSites;
    const ItemList<SearchProject> goneSearches = store_.RequestedSearches;
    RemoveAll(store_.RequestedFiles);
    RemoveAll(store_.RequestedSites);
    RemoveAll(store_.DownloadedFiles);
    RemoveAll(store_.DownloadedSites);
    RemoveAll(store_.RequestedSearches);
    RemoveAll(store_.SearchResults);
    store_.Checksums.Clear();
    window_.DeleteAllRows();
    EndEveryEntry(goneFiles, store_.ActiveFileDownloads, kRequestedFilesList);
    EndEveryEntry(goneSites, store_.ActiveSiteCrawls, kRequestedSitesList);
    EndEveryEntry(goneSearches, store_.ActiveSearchRuns, kRequestedSearchesList);
}
