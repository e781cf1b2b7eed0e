#include "store/list_files.h"

#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "store/list_file_reader.h"
#include "store/synced_file.h"
#include "store/text_utils.h"

namespace {

namespace fs = std::filesystem;

// --- Reading -----------------------------------------------------------------

void ReadRecord(ListFileReader& reader, FileEntry& entry) {
    entry.url = reader.ReadToken(decltype(entry.url)::kCapacity);
    reader.SkipWhiteSpace();
}

void ReadRecord(ListFileReader& reader, WebProject& project) {
    project.name = reader.ReadLine(decltype(project.name)::kCapacity);
    // Read as a whole line, like the name, so that an empty address or one
    // with blanks cannot shift the fields of this and every later record.
    project.startUrl = reader.ReadLine(decltype(project.startUrl)::kCapacity);
    reader.ReadNumbers({&project.downloadAll});
    reader.ReadNumbers({&project.wantZip, &project.wantExe, &project.wantRar, &project.wantAce,
                        &project.wantTar, &project.wantGz, &project.wantArj});
    reader.ReadNumbers({&project.startOnRequest, &project.startMinute, &project.startHour});
    reader.ReadNumbers({&project.stopOnRequest, &project.stopMinute, &project.stopHour});
    reader.ReadNumbers({&project.maxDomainCount, &project.reserved, &project.exitDomain});
    reader.SkipStarLine();
}

void ReadRecord(ListFileReader& reader, SearchProject& project) {
    project.name = reader.ReadLine(decltype(project.name)::kCapacity);
    project.searchText = reader.ReadLine(decltype(project.searchText)::kCapacity);
    reader.ReadNumbers({&project.useAltavista, &project.useHotBot, &project.useYahoo,
                        &project.useNorthernLight, &project.useWebCrawler, &project.useMsn,
                        &project.useGo2Net});
    reader.ReadNumbers({&project.startOnRequest, &project.startMinute, &project.startHour});
    reader.ReadNumbers({&project.stopOnRequest, &project.stopMinute, &project.stopHour});
    reader.SkipStarLine();
}

template <typename Record>
void LoadList(ItemList<Record>& list, const fs::path& file, const char* loadStatus) {
    FilePtr input(std::fopen(file.c_str(), "r"));
    if (!input) return;
    // Records that were there before (a project made before the files are
    // read) are not in the file yet, so such a list stays marked as changed.
    const bool holdsUnsavedRecords = list.Count() > 0 && list.IsModified();
    ListFileReader reader(input.get());
    while (!reader.AtEndAfterWhiteSpace()) {
        Record record;  // every field starts at zero, whatever the file lacks
        ReadRecord(reader, record);
        record.status = loadStatus;
        list.Append(record);
    }
    list.SetModified(holdsUnsavedRecords);
}

// An entry found in both lists after a save that did not finish was on its
// way to the downloaded list. Its requested copy goes, and the list is marked
// changed so that the next save writes it without that copy. Keys compare as
// FindByName compares them.
template <typename Record>
void DropRequestedThatWereDownloaded(ItemList<Record>& requested, const ItemList<Record>& downloaded) {
    std::unordered_set<std::string> downloadedKeys;
    for (const Record& record : downloaded) downloadedKeys.insert(FoldedCopy(KeyOf(record)));
    std::vector<int> twice;
    int position = 0;
    for (const Record& record : requested) {
        if (downloadedKeys.contains(FoldedCopy(KeyOf(record)))) twice.push_back(position);
        ++position;
    }
    for (auto it = twice.rbegin(); it != twice.rend(); ++it) requested.RemoveAt(*it);
}

// --- Writing -----------------------------------------------------------------

bool WriteRecord(std::FILE* out, const FileEntry& entry) {
    return std::fprintf(out, "%s\n", entry.url.CStr()) >= 0;
}

bool WriteRecord(std::FILE* out, const WebProject& p) {
    return std::fprintf(out, "%s\n%s\n", p.name.CStr(), p.startUrl.CStr()) >= 0 &&
           std::fprintf(out, "%d\n", p.downloadAll) >= 0 &&
           std::fprintf(out, "%d %d %d %d %d %d %d\n", p.wantZip, p.wantExe, p.wantRar, p.wantAce, p.wantTar,
                        p.wantGz, p.wantArj) >= 0 &&
           std::fprintf(out, "%d %d %d\n", p.startOnRequest, p.startMinute, p.startHour) >= 0 &&
           std::fprintf(out, "%d %d %d\n", p.stopOnRequest, p.stopMinute, p.stopHour) >= 0 &&
           std::fprintf(out, "%d %d %d\n*\n", p.maxDomainCount, p.reserved, p.exitDomain) >= 0;
}

bool WriteRecord(std::FILE* out, const SearchProject& p) {
    return std::fprintf(out, "%s\n%s\n", p.name.CStr(), p.searchText.CStr()) >= 0 &&
           std::fprintf(out, "%d %d %d %d %d %d %d\n", p.useAltavista, p.useHotBot, p.useYahoo,
                        p.useNorthernLight, p.useWebCrawler, p.useMsn, p.useGo2Net) >= 0 &&
           std::fprintf(out, "%d %d %d\n", p.startOnRequest, p.startMinute, p.startHour) >= 0 &&
           std::fprintf(out, "%d %d %d\n*\n", p.stopOnRequest, p.stopMinute, p.stopHour) >= 0;
}

// Writes the records over the list's file (see ReplaceFileSynced).
template <typename Record>
bool WriteListFile(const ItemList<Record>& list, const fs::path& file) {
    return ReplaceFileSynced(file, [&list](std::FILE* out) {
        for (const Record& record : list) {
            if (!WriteRecord(out, record)) return false;
        }
        return true;
    });
}

// Saves one list as described for SaveLists; false when it could not.
template <typename Record>
bool SaveList(ItemList<Record>& list, const fs::path& file, const char* failureMessage,
              MessageBoxPort& messages) {
    if (!list.IsModified()) return true;
    const std::uint64_t changesWritten = list.ChangeCount();
    if (list.Count() == 0) {
        std::error_code ignored;
        if (fs::remove(file, ignored)) SyncFolderOf(file);
    } else if (!WriteListFile(list, file)) {
        messages.ShowMessage(failureMessage);
        return false;
    }
    if (list.ChangeCount() == changesWritten) list.SetModified(false);
    return true;
}

// Lies beside the lists while a save that moves entries between them runs.
constexpr const char* kMovingMark = "moving.mark";

// Whether a save may write a downloaded list and then its requested one.
bool MovesEntries(const ItemStore& store) {
    return (store.DownloadedFiles.IsModified() && store.RequestedFiles.IsModified()) ||
           (store.DownloadedSites.IsModified() && store.RequestedSites.IsModified());
}

constexpr const char* kFilesFailure = "Error saving the 'Requested Files' list!";
constexpr const char* kSitesFailure = "Error saving the 'Requested Web Sites' list!";
constexpr const char* kSearchesFailure = "Error saving the 'Requested Search Projects' list!";

}  // namespace

void LoadLists(ItemStore& store, const fs::path& folder) {
    LoadList(store.RequestedFiles, folder / kRequestedFilesFile, "Ready for download");
    LoadList(store.RequestedSites, folder / kRequestedSitesFile, "Ready for download");
    LoadList(store.DownloadedFiles, folder / kDownloadedFilesFile, "Success");
    LoadList(store.DownloadedSites, folder / kDownloadedSitesFile, "Success");
    LoadList(store.RequestedSearches, folder / kRequestedSearchesFile, "Ready for download");
    LoadList(store.SearchResults, folder / kSearchResultsFile, "New Project");
    LoadChecksums(store.Checksums, folder);
    LoadLogins(store.Logins, folder);
    // Outside a cut save, an entry may be requested again after it was
    // downloaded; both are kept.
    if (!fs::exists(folder / kMovingMark)) return;
    DropRequestedThatWereDownloaded(store.RequestedFiles, store.DownloadedFiles);
    DropRequestedThatWereDownloaded(store.RequestedSites, store.DownloadedSites);
}

bool SaveLists(ItemStore& store, MessageBoxPort& messages, const fs::path& folder) {
    // An entry moves from a requested list to its downloaded one, so the
    // downloaded lists go first: a save cut short at any point leaves every
    // entry in at least one file. The mark tells the next load that an entry
    // in both was on its way. It needs no sync of its own: the folder sync
    // after the first list written carries it.
    const fs::path mark = folder / kMovingMark;
    if (MovesEntries(store)) FilePtr(std::fopen(mark.c_str(), "w"));
    // Every list is tried, also after a failure.
    bool saved = SaveList(store.DownloadedFiles, folder / kDownloadedFilesFile, kFilesFailure, messages);
    saved &= SaveList(store.DownloadedSites, folder / kDownloadedSitesFile, kSitesFailure, messages);
    saved &= SaveList(store.RequestedFiles, folder / kRequestedFilesFile, kFilesFailure, messages);
    saved &= SaveList(store.RequestedSites, folder / kRequestedSitesFile, kSitesFailure, messages);
    saved &= SaveList(store.RequestedSearches, folder / kRequestedSearchesFile, kSearchesFailure, messages);
    saved &= SaveList(store.SearchResults, folder / kSearchResultsFile, kFilesFailure, messages);
    saved &= SaveChecksums(store.Checksums, messages, folder);
    saved &= SaveLogins(store.Logins, messages, folder);
    std::error_code ignored;
    if (saved) fs::remove(mark, ignored);
    return saved;
}

std::uint64_t ListFileChanges(const ItemStore& store) {
    return store.RequestedFiles.ChangeCount() + store.RequestedSites.ChangeCount() +
           store.DownloadedFiles.ChangeCount() + store.DownloadedSites.ChangeCount() +
           store.RequestedSearches.ChangeCount() + store.SearchResults.ChangeCount() +
           store.Checksums.ChangeCount() + store.Logins.ChangeCount();
}
