#include "engine/http_sms/thread_url.h"

#include <cstdlib>
#include <exception>
#include <optional>
#include <utility>

#include <curl/curl.h>

#include "engine/http_sms/http_exchange.h"
#include "foundation/catalogue.h"

namespace trevalon {
namespace {

constexpr int kDefaultReadTimeoutMs = 5000;
constexpr const char* kSent = "Sent";
constexpr const char* kError = "Error";
constexpr const char* kSentDetail = "[HTTP Alarm Sent Succeed]";

// The host part of a URL, without user information and port; empty when the URL has none.
std::string_view UrlHost(std::string_view url) {
    const std::size_t scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
        rest = rest.substr(at + 1);
    }
    if (rest.starts_with('[')) {
        return rest.substr(0, rest.find(']') + 1);
    }
    return rest.substr(0, rest.find(':'));
}

// The port the URL names, if it names one it can be parsed with.
std::optional<long> UrlPort(const std::string& url) {
    CURLU* parsed = curl_url();
    if (parsed == nullptr) {
        return std::nullopt;
    }
    std::optional<long> port;
    char* text = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &text, 0) == CURLUE_OK) {
        port = std::strtol(text, nullptr, 10);
    }
    curl_free(text);
    curl_url_cleanup(parsed);
    return port;
}

}  // namespace

int HttpSmsDefaultPort(int configuredPort) {
    return configuredPort == 0 || configuredPort == 80 || configuredPort == 443 ? 80
                                                                                : configuredPort;
}

std::unique_ptr<ThreadURL> MakeThreadURL(const AlarmMethodSettings& settings,
                                         const std::vector<std::string>& extraFields,
                                         const std::string& number, const std::string& text) {
    return std::make_unique<ThreadURL>(BuildHttpSmsRequest(settings, extraFields, number, text));
}

ThreadURL::ThreadURL(HttpSmsRequest request)
    : DeliveryWorkItem(kHttpSmsFailureTitle, DeliveryKind::kAlarm, true, kSent),
      request_(std::move(request)) {
    if (request_.readTimeoutMs <= 0) {
        request_.readTimeoutMs = kDefaultReadTimeoutMs;
    }
}

void ThreadURL::Execute() {
    try {
        if (UrlHost(request_.url).empty()) {
            Fail(-1, catalogue::kHostRequired);
            return;
        }
        const std::optional<long> urlPort = UrlPort(request_.url);
        if (urlPort == 0) {
            Fail(-1, catalogue::kPortRequired);
            return;
        }
        const int port = urlPort ? 0 : HttpSmsDefaultPort(request_.port);
        const HttpExchangeResult exchange = ExchangeHttpSms(request_, port);
        const int status = exchange.status > 0 ? static_cast<int>(exchange.status) : -1;
        switch (exchange.failure) {
            case HttpExchangeFailure::None:
                break;
            case HttpExchangeFailure::SocketError:
                Fail(status, catalogue::kInvalidHost);
                return;
            case HttpExchangeFailure::ConnectTimedOut:
                Fail(status, catalogue::kInvalidPort);
                return;
            case HttpExchangeFailure::Other:
                Fail(status, exchange.message + "]");
                return;
        }
        if (status < 200 || status > 299) {
            const std::string line = exchange.statusLine.empty()
                                         ? "HTTP status " + std::to_string(status)
                                         : exchange.statusLine;
            Fail(status, line + "]");
            return;
        }
        SetSucceeded(true);
        SetResultText(kSent);
        SetResultDetail(kSentDetail);
        responseCode_ = status;
    } catch (const std::exception& error) {
        Fail(-1, std::string(error.what()) + "]");
    } catch (...) {
        Fail(-1, "]");
    }
}

std::string ThreadURL::FailureLine() const {
    return FailureLineWith("Response code=" + std::to_string(responseCode_));
}

void ThreadURL::ReleaseTexts() {
    DeliveryWorkItem::ReleaseTexts();
    request_ = HttpSmsRequest{};
}

void ThreadURL::Fail(int responseCode, std::string_view reason) {
    SetSucceeded(false);
    SetResultText(kError);
    responseCode_ = responseCode;
    SetResultDetail("[" + request_.url + ":" + std::to_string(request_.port) +
                    std::string(catalogue::kHttpConnectionError) + std::string(reason));
}

}  // namespace trevalon
