#include "net/curl_error.h"

#include <string>

#include "net/http_status_text.h"

namespace {

InternetError ErrorKind(CURLcode code) {
    switch (code) {
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT: return InternetError::kUnsupportedScheme;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return InternetError::kNameNotResolved;
        case CURLE_COULDNT_CONNECT: return InternetError::kCannotConnect;
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_FTP_ACCEPT_TIMEOUT: return InternetError::kTimedOut;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_WEIRD_SERVER_REPLY: return InternetError::kConnectionBroken;
        case CURLE_TOO_MANY_REDIRECTS: return InternetError::kTooManyRedirects;
        case CURLE_ABORTED_BY_CALLBACK: return InternetError::kAborted;
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_RETR_FILE: return InternetError::kRemoteRefused;
        case CURLE_FTP_COULDNT_USE_REST:
        case CURLE_BAD_DOWNLOAD_RESUME: return InternetError::kRestartRefused;
        default: return InternetError::kOther;
    }
}

// 425 and 426 say that the data connection could not be opened or broke:
// the server refused nothing, the transfer failed on the way.
bool IsDataConnectionFailure(std::string_view reply) {
    return reply.starts_with("425") || reply.starts_with("426");
}

// What a SOCKS5 proxy's failure means, in the reply's words where it sent
// one (RFC 1928, 6; RFC 1929 for the login).
std::string_view SocksFailureText(long proxyError) {
    switch (proxyError) {
        case CURLPX_USER_REJECTED: return "SOCKS proxy: user name or password refused";
        case CURLPX_NO_AUTH: return "SOCKS proxy: a login is required";
        case CURLPX_REPLY_GENERAL_SERVER_FAILURE: return "SOCKS proxy: general server failure (reply 1)";
        case CURLPX_REPLY_NOT_ALLOWED: return "SOCKS proxy: connection not allowed by ruleset (reply 2)";
        case CURLPX_REPLY_NETWORK_UNREACHABLE: return "SOCKS proxy: network unreachable (reply 3)";
        case CURLPX_REPLY_HOST_UNREACHABLE: return "SOCKS proxy: host unreachable (reply 4)";
        case CURLPX_REPLY_CONNECTION_REFUSED: return "SOCKS proxy: connection refused (reply 5)";
        case CURLPX_REPLY_TTL_EXPIRED: return "SOCKS proxy: TTL expired (reply 6)";
        case CURLPX_REPLY_COMMAND_NOT_SUPPORTED: return "SOCKS proxy: command not supported (reply 7)";
        case CURLPX_REPLY_ADDRESS_TYPE_NOT_SUPPORTED:
            return "SOCKS proxy: address type not supported (reply 8)";
        case CURLPX_REPLY_UNASSIGNED: return "SOCKS proxy: unknown failure reply";
        case CURLPX_RESOLVE_HOST: return "SOCKS proxy: the server's name could not be resolved";
        case CURLPX_LONG_HOSTNAME: return "SOCKS proxy: the server's name is too long for SOCKS";
        case CURLPX_LONG_USER:
        case CURLPX_LONG_PASSWD: return "SOCKS proxy: the user name or password is too long for SOCKS";
        case CURLPX_BAD_VERSION: return "SOCKS proxy: it does not speak SOCKS5";
        case CURLPX_CLOSED: return "SOCKS proxy: it closed the connection";
        default: return "SOCKS proxy: the connection through it failed";
    }
}

}  // namespace

std::optional<InternetException> CurlProxyError(CURLcode code, long connectCode, long proxyError) {
    if (code == CURLE_OK) return std::nullopt;
    if (connectCode >= 300) {
        // Some proxies answer a refused login with 401 instead of 407.
        const std::string status = HttpStatusText(static_cast<int>(connectCode), "");
        const std::string_view refused = connectCode == 407   ? ""
                                         : connectCode == 401 ? "The proxy refused the login: "
                                                              : "The proxy refused the tunnel: ";
        return InternetException(InternetError::kProxyRefused, std::string(refused) + status);
    }
    if (code == CURLE_PROXY && proxyError != CURLPX_OK) {
        const InternetError kind = proxyError == CURLPX_RESOLVE_HOST ? InternetError::kNameNotResolved
                                                                     : InternetError::kProxyRefused;
        return InternetException(kind, SocksFailureText(proxyError));
    }
    return std::nullopt;
}

InternetException CurlTransferError(CURLcode code, std::string_view errorBuffer) {
    const std::string_view text = errorBuffer.empty() ? curl_easy_strerror(code) : errorBuffer;
    return InternetException(ErrorKind(code), text);
}

InternetException CurlFtpError(CURLcode code, std::string_view lastReply) {
    const bool refusal = !lastReply.empty() && (lastReply.front() == '4' || lastReply.front() == '5');
    const InternetError kind =
        IsDataConnectionFailure(lastReply) ? InternetError::kConnectionBroken : ErrorKind(code);
    return InternetException(kind, refusal ? lastReply : curl_easy_strerror(code));
}
