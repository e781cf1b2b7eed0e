#pragma once

#include <string>
#include <vector>

#include "app/download_commands.h"
#include "app/entry_dialogs.h"
#include "store/item_store.h"
#include "workers/app_state.h"
#include "workers/window_port.h"

// The entry commands of the main window and of the entry list panel. Both
// sets change the store and the rows alike, except where marked: the
// panel's own handlers and the window's handlers differ in how Properties
// finds a web-site project and in what Send To Requested Web Sites starts
// from. Run on the user-interface thread.
class EntryCommands {
public:
    EntryCommands(ItemStore& store, AppState& state, WindowPort& window, EntryDialogs& dialogs)
        : store_(store), state_(state), window_(window), dialogs_(dialogs) {}

    // Told of each entry that goes (deleted, or renamed), for the entries
    // waiting for a place; none: nothing waits.
    void SetDownloadCommands(DownloadCommands* downloads) { downloads_ = downloads; }

    void AddFiles();
    // The address as Add File(s) adds one typed into its dialog, with the
    // checksum given for it, if any; an invalid checksum is refused.
    void AddFileUrl(std::string_view typed, std::string_view checksum = {});
    // The sheet starts with the address, or else with the one the dialogs offer.
    void AddWebSite(std::string_view startUrl = {});
    // Addresses dropped or pasted on the window: each opens Add Web Site
    // while the requested web sites are shown, and is added as a file
    // otherwise; lines that are no address are named in a message.
    void AddDroppedText(std::string_view text);
    // Addresses that were checked as a drop's are: each opens Add Web Site
    // (asWebSites) or is added as a file, in order.
    void AddAddresses(const std::vector<std::string>& addresses, bool asWebSites);
    void AddSearchProject();
    // The same for the window and the panel. Deleting an entry, or renaming
    // a project in Properties, ends the entry's worker.
    void DeleteEntries();
    void SendToRequestedFiles();
    void DeleteAllLists();

    // The window's handlers.
    void WindowProperties();
    void WindowSendToRequestedSites();

    // The entry list panel's handlers.
    void PanelProperties();
    void PanelSendToRequestedSites();

    ItemStore& Store() { return store_; }
    AppState& State() { return state_; }
    WindowPort& Window() { return window_; }

private:
    // The login for the address's server; an empty user name removes it.
    void GiveLogin(const std::string& url, const std::string& user, const std::string& password);

    enum class Lookup { kByRowText, kByRowPosition };

    void EditProperties(Lookup siteLookup, bool renameOnlyWhileShown);
    void EditSiteOfRow(int row, Lookup lookup, bool renameOnlyWhileShown);
    void EditSearchOfRow(int row, bool renameOnlyWhileShown);
    void EditFileOfRow(const ItemList<FileEntry>& list, int row);
    // onlyWhileShown: a list number, or 0 to rename whatever list is shown.
    void RenameRow(int row, std::string_view oldKey, std::string_view newKey, int onlyWhileShown);
    template <typename Record>
    void DeleteSelectedRows(ItemList<Record>& list, ItemList<WorkerRecord>& active, int listNumber);
    // The entry of that key is going: its worker ends, its transfer figures
    // go, and it no longer waits for a place.
    void EndEntry(int listNumber, ItemList<WorkerRecord>& active, std::string_view key);
    template <typename Record>
    void EndEveryEntry(const ItemList<Record>& list, ItemList<WorkerRecord>& active, int listNumber);
    bool InsertNewRow(int list, std::string_view key);

    ItemStore& store_;
    AppState& state_;
    WindowPort& window_;
    EntryDialogs& dialogs_;
    DownloadCommands* downloads_ = nullptr;
    // What the window's Send To Requested Web Sites left in its project.
    WebProject sendToScratch_;
};
