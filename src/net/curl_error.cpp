#include "net/curl_error.h"

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
        default: return InternetError::kOther;
    }
}

// 425 and 426 say that the data connection could not be opened or broke:
// the server refused nothing, the transfer failed on the way.
bool IsDataConnectionFailure(std::string_view reply) {
    return reply.starts_with("425") || reply.starts_with("426");
}

}  // namespace

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
