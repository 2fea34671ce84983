#pragma once

#include <cstddef>
#include <string>

#include "engine/http_sms/http_sms_request.h"

namespace trevalon {

enum class HttpExchangeFailure {
    None,             // a final response was read; its status decides
    SocketError,      // name not resolved, connection refused, reset or unreachable
    ConnectTimedOut,  // the connection attempt timed out
    Other,            // anything else; see the message
};

// How much of a response body is kept for showing it.
inline constexpr std::size_t kKeptBodyLimit = 64 * 1024;

struct HttpExchangeResult {
    HttpExchangeFailure failure = HttpExchangeFailure::None;
    long status = 0;         // of the last response received; 0 when none came
    std::string statusLine;  // of the last response, without its line end
    std::string message;     // why the exchange failed
    std::string body;        // of the last response, its first kKeptBodyLimit bytes
};

// Sends `request` and reads the answer, following up to request.maxRedirects redirects.
// `port`, when not 0, replaces the scheme's default port of the first URL; a redirect goes to
// the port its Location names. Once connected, the exchange ends when the peer sends nothing
// for the read time-out. Never raises.
HttpExchangeResult ExchangeHttpSms(const HttpSmsRequest& request, int port);

}  // namespace trevalon
