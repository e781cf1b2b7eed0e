#pragma once

#include <memory>
#include <utility>

#include "net/internet_session.h"
#include "workers/options.h"

// What a worker's options ask of its transfers.
inline TransferOptions TransferOptionsOf(const Options& options) {
    TransferOptions transfer;
    transfer.speedLimit = SpeedLimitBytesPerSecond(options);
    transfer.ftpPassive = options.ftpPassive;
    transfer.proxy = options.proxy;
    return transfer;
}

// A session of the factory with the worker's transfer options.
inline std::unique_ptr<InternetSession> OpenWorkerSession(const InternetSessionFactory& sessions,
                                                          const Options& options) {
    std::unique_ptr<InternetSession> session = sessions();
    session->SetTransferOptions(TransferOptionsOf(options));
    return session;
}

// A factory whose sessions all come with the worker's transfer options, for
// code that opens sessions of its own (the search queries).
inline InternetSessionFactory WorkerSessionFactory(InternetSessionFactory sessions, const Options& options) {
    return [sessions = std::move(sessions), transfer = TransferOptionsOf(options)] {
        std::unique_ptr<InternetSession> session = sessions();
        session->SetTransferOptions(transfer);
        return session;
    };
}
