#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "net/bandwidth_share.h"
#include "net/descriptor_budget.h"
#include "net/internet_abort.h"
#include "net/internet_session.h"
#include "net/user_agent.h"

// Settings of the sessions over libcurl.
struct CurlSessionSettings {
    std::string agent = ProgramUserAgent();
    // A transfer that receives nothing for this long fails (kTimedOut), so a
    // server that accepts and then stays silent cannot hold its reader.
    // Zero: no limit.
    std::chrono::milliseconds silenceLimit{60000};
    // When set, aborting it aborts the session too.
    std::shared_ptr<InternetAbort> abort;
    // The share of the speed limit among the sessions; CurlSessionFactory
    // makes one for all of its sessions when none is given.
    std::shared_ptr<BandwidthShare> bandwidth;
    // When set, each session takes its share of descriptors from it when it
    // opens, and fails to open (InternetException) when none is left.
    std::shared_ptr<DescriptorBudget> descriptors;
    // A PEM file of certificate authorities trusted besides the system's
    // store; empty: the system's store alone. A developer's and the tests'
    // aid (their own authority), named by kExtraCaFileVariable.
    std::string extraCaFile;
};

// The environment variable that names the extra authorities' file.
inline constexpr const char* kExtraCaFileVariable = "TARRAWICK_EXTRA_CA_FILE";

// A session over libcurl's multi interface: plain HTTP, HTTPS checked against
// the system's certificate store, ftp addresses through OpenURL, and FTP
// connections (GetFtpConnection).
std::unique_ptr<InternetSession> OpenCurlSession(const CurlSessionSettings& settings = {});

// A factory of such sessions, all sharing the settings' abort switch and
// speed limit.
InternetSessionFactory CurlSessionFactory(CurlSessionSettings settings = {});
