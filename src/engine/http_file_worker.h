#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "engine/file_worker_steps.h"
#include "net/internet_session.h"
#include "workers/worker_context.h"

// The worker that fetches one requested file over HTTP into the download
// folder, reporting progress in the entry and the status view, and moving the
// entry to the downloaded files when the transfer has ended. Runs on its own
// thread; every step that touches the lists, the process-wide state or the
// windows is handed over to the user-interface thread. Progress is handed
// over at most once per interval (see CoalescedProgress).
void HttpFileWorker(WorkerContext& context, const InternetSessionFactory& sessions,
                    std::chrono::nanoseconds progressInterval = kProgressInterval);

// The text of the address after its last '/' (all of it when it has none).
std::string_view LocalFileName(std::string_view url);

// User-interface thread, when a requested file is deleted, or its finished
// download's move has been saved: what a run of the address wrote is no
// longer to be continued (the part record goes; the file stays). A record
// another address of the same name wrote is kept.
void ForgetPartRecordOf(std::string_view url);
