#pragma once

#include <memory>
#include <string_view>

#include "net/curl_pump.h"
#include "net/curl_transfer.h"
#include "net/ftp_connection.h"

// Connects to the FTP server named by the server text ("host", "host:port",
// "[v6]" or "[v6]:port") and logs in anonymously, with the pump and settings
// of the session; raises InternetException when it cannot.
std::unique_ptr<FtpConnection> ConnectCurlFtp(std::shared_ptr<CurlPump> pump,
                                              const CurlTransferSettings& common, std::string_view server);
