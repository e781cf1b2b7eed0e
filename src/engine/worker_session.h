#pragma once

#include <memory>

#include "net/internet_session.h"
#include "workers/options.h"

// What a worker's options ask of its transfers.
inline TransferOptions TransferOptionsOf(const Options& options) {
    TransferOptions transfer;
    transfer.speedLimit = SpeedLimitBytesPerSecond(options);
    transfer.ftpPassive = options.ftpPassive;
    return transfer;
}

// A session of the factory with the worker's transfer options.
inline std::unique_ptr<InternetSession> OpenWorkerSession(const InternetSessionFactory& sessions,
                                                          const Options& options) {
    std::unique_ptr<InternetSession> session = sessions();
    session->SetTransferOptions(TransferOptionsOf(options));
    return session;
}
