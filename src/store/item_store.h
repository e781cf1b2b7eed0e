#pragma once

#include "store/item_list.h"
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
};

// The process-wide lists. Never destroyed, so a worker still running at
// process end cannot reach freed records.
ItemStore& TheStore();
