#pragma once

#include "search/engine_queries.h"
#include "workers/worker_context.h"

// The worker that runs one search project of the requested searches: it
// sends the project's search string to the engines the project names
// (Altavista, then Yahoo), appends every link they return to the search
// results with the project's name as its status, and reports in the
// project's row and the status view. The project stays requested. Runs on
// its own thread; every step that touches the lists, the process-wide state
// or the windows is handed over to the user-interface thread. Any exception
// ends the run through its error path, never the process.
void SearchWorker(WorkerContext& context, const SearchEngines& engines);
