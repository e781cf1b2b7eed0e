#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "workers/worker_context.h"
#include "net/internet_session.h"

// The worker that fetches one requested file over HTTP into the download
// folder, reporting progress in the entry and the status view, and moving the
// entry to the downloaded files when the transfer has ended. Runs on its own
// thread; every step that touches the lists, the process-wide state or the
// windows is handed over to the user-interface thread. Progress is handed
// over at most once per interval (see CoalescedProgress).
inline constexpr std::chrono::milliseconds kProgressInterval{10};
void HttpFileWorker(WorkerContext& context, const InternetSessionFactory& sessions,
                    std::chrono::nanoseconds progressInterval = kProgressInterval);

// "Downloading...%.02fk read" for the bytes written so far, kilobytes in
// single precision.
std::string ProgressText(std::uint32_t bytes);
// The same without "Downloading...".
std::string KilobytesReadText(std::uint32_t bytes);

// The text of the address after its last '/' (all of it when it has none).
std::string_view LocalFileName(std::string_view url);

// Whether a name taken from an address may be a file directly inside the
// download folder: not empty, "." or "..", no '/' or NUL, at most 255 bytes.
bool IsSafeLocalName(std::string_view name);
