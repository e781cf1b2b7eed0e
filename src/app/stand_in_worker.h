#pragma once

#include "workers/worker_context.h"

// Stands in for a worker kind that is not built yet: ends at once, removing
// its active record, so the dispatch around it works as it will later.
void EndAtOnceWorker(WorkerContext& context);
