#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/internet_file.h"

// A logged-in connection to an FTP server, opened by
// InternetSession::GetFtpConnection. Its current directory starts as the
// login directory. Used by one thread; the session's Abort ends it too.
class FtpConnection {
public:
    virtual ~FtpConnection() = default;
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Changes the current directory: a path relative to it, or absolute when
    // it starts with '/'. False, with the directory unchanged, when the server
    // refuses; raises InternetException when the connection fails.
    virtual bool SetCurrentDirectory(const std::string& directory) = 0;

    // Whether the current directory holds an entry of this name, asked of the
    // server each time (letter case counts). False when the server refuses
    // the listing; raises InternetException when the connection fails.
    virtual bool FindFile(const std::string& name) = 0;

    // The size the server gives for the file of the current directory
    // (SIZE); nothing when it gives none. Raises when the connection fails.
    virtual std::optional<std::int64_t> GetFileSize(const std::string& name) = 0;

    // Opens the file of the current directory for reading in binary, from
    // byte `restartAt` on (REST) when that is not 0; raises
    // InternetException when it cannot (with the server's reply as message),
    // kRestartRefused when the server refuses to start there.
    virtual std::unique_ptr<InternetFile> OpenFile(const std::string& name, std::int64_t restartAt) = 0;

    // Ends the connection; later calls raise. Files already open stay readable.
    virtual void Close() = 0;

protected:
    FtpConnection() = default;
};
