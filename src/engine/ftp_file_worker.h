#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_worker_steps.h"
#include "net/internet_session.h"
#include "workers/worker_context.h"

// The worker that fetches one requested ftp address into the download folder
// over an FTP connection of its own (anonymous, active): it changes to the
// address's directory, looks the file up, fetches it, showing its progress in
// the status line, and moves the entry to the downloaded files when the
// transfer has ended. Runs on its own thread; every step that touches the
// lists, the process-wide state or the windows is handed over to the
// user-interface thread.
void FtpFileWorker(WorkerContext& context, const InternetSessionFactory& sessions,
                   std::chrono::nanoseconds progressInterval = kProgressInterval);

// An ftp address cut as the worker cuts it.
struct FtpUrlParts {
    std::string server;     // between the "//" and the next '/'
    std::string directory;  // between that '/' and the last '/', without both
    std::string fileName;   // after the last '/'
};

// The parts of the address, or nothing when it has no "//" or no '/' after
// the server.
std::optional<FtpUrlParts> SplitFtpUrl(std::string_view url);
