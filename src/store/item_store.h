#pragma once

#include <string>
#include <vector>

#include "store/checksums.h"
#include "store/item_list.h"
#include "store/logins.h"
#include "store/records.h"

// The nine lists of the program: six user lists kept in list files and the
// three lists of running workers.
struct ItemStore {
    ItemList<FileEntry> RequestedFiles;
    ItemList<WebProject> RequestedSites;
    ItemList<FileEntry> DownloadedFiles;
    ItemList<WebProject> DownloadedSites;
    ItemList<SearchProject> RequestedSearches;
    ItemList<FileEntry> SearchResults;
    ItemList<WorkerRecord> ActiveFileDownloads;
    ItemList<WorkerRecord> ActiveSiteCrawls;
    ItemList<WorkerRecord> ActiveSearchRuns;
    // The addresses of files finished since the lists were last saved. Their
    // part records stay until a save holds the entries' move to
    // DownloadedFiles, so that a kill before it finds a requested entry with
    // its record and whole file, and counts it complete instead of fetching
    // it again.
    std::vector<std::string> FinishedSinceSave;
    // The checksums the user gave for file addresses, saved with the lists
    // in a file of their own.
    ChecksumTable Checksums;
    // The logins given for servers; their user names are saved with the
    // lists in a file of their own, their passwords never.
    LoginTable Logins;
};

// The process-wide lists. Never destroyed, so a worker still running at
// process end cannot reach freed records.
ItemStore& TheStore();
