#pragma once

#include <string>
#include <vector>

#include "engine/storage/configuration_cache.h"

namespace trevalon {

enum class HttpSmsVerb { Get, Post };

// Everything one "SMS by HTTP" delivery sends, fixed when the job is built.
struct HttpSmsRequest {
    HttpSmsVerb verb = HttpSmsVerb::Get;
    std::string url;
    // The configured port: used when the URL names none, 0, 80 and 443 meaning 80.
    int port = 0;
    int readTimeoutMs = 0;  // 0 or less: 5000
    int maxRedirects = 10;
    // Basic authentication whenever either is not empty.
    std::string username;
    std::string password;
    // Used when the host is not empty and the port not 0.
    std::string proxyHost;
    int proxyPort = 0;
    std::string proxyUsername;
    std::string proxyPassword;
    std::vector<std::string> formLines;  // POST only: "name=value"
};

// The request for one phone number: "Get" (exactly) fills the URL template, any other method
// posts the form to the template as it is.
HttpSmsRequest BuildHttpSmsRequest(const AlarmMethodSettings& settings,
                                   const std::vector<std::string>& extraFields,
                                   const std::string& number, const std::string& text);

}  // namespace trevalon
