#include "engine/http_sms/http_exchange.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string_view>

#include <curl/curl.h>

#include "engine/http_sms/curl_library.h"
#include "engine/http_sms/sms_url_encoding.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
constexpr const char* kReferer = "Mozilla/3.0";
constexpr const char* kAccept = "Accept: text/html, */*";
// Keeps libcurl from waiting for a "100 Continue" before it sends a larger form.
constexpr const char* kNoExpect = "Expect:";
constexpr const char* kReadTimedOut = "Read timed out.";
constexpr const char* kHeadersCut = "Connection closed before the response headers ended.";
// Only the status decides; a gateway page larger than this is not worth reading on.
constexpr std::size_t kBodyLimit = 1024 * 1024;
// How long one wait lasts while no read time-out is running (connecting).
constexpr int kConnectPollMs = 1000;

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What the callbacks of one exchange see; they run on the thread that drives the exchange.
struct ExchangeState {
    std::chrono::milliseconds readTimeout{0};
    bool connected = false;
    SteadyClock::time_point lastData{};
    std::string statusLine;
    // False from a status line until the empty line that ends its headers.
    bool headersEnded = true;
    std::size_t bodyBytes = 0;
    bool bodyCut = false;
    std::string body;

    void DataArrived() { lastData = SteadyClock::now(); }
};

int OnConnected(void* state, char*, char*, int, int) {
    auto& exchange = *static_cast<ExchangeState*>(state);
    exchange.connected = true;
    exchange.DataArrived();
    return CURL_PREREQFUNC_OK;
}

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* state) {
    auto& exchange = *static_cast<ExchangeState*>(state);
    exchange.DataArrived();
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        exchange.statusLine = TrimBlanks(line);
        // A redirect's or an interim response's body is not the answer.
        exchange.body.clear();
        exchange.headersEnded = false;
    } else if (line == "\r\n" || line == "\n") {
        exchange.headersEnded = true;
    }
    return size * count;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* state) {
    auto& exchange = *static_cast<ExchangeState*>(state);
    exchange.DataArrived();
    exchange.body.append(data, std::min(size * count, kKeptBodyLimit - exchange.body.size()));
    exchange.bodyBytes += size * count;
    if (exchange.bodyBytes > kBodyLimit) {
        exchange.bodyCut = true;
        return 0;
    }
    return size * count;
}

HttpExchangeFailure Classify(CURLcode code, long osErrno) {
    switch (code) {
        case CURLE_OK:
            return HttpExchangeFailure::None;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
            return HttpExchangeFailure::SocketError;
        case CURLE_COULDNT_CONNECT:
            return osErrno == ETIMEDOUT ? HttpExchangeFailure::ConnectTimedOut
                                        : HttpExchangeFailure::SocketError;
        case CURLE_OPERATION_TIMEDOUT:
            // No transfer time limit is set, so only the connection attempt can run out.
            return HttpExchangeFailure::ConnectTimedOut;
        default:
            return HttpExchangeFailure::Other;
    }
}

class Exchange {
  public:
    Exchange(const HttpSmsRequest& request, int port) : request_(request), port_(port) {
        state_.readTimeout = std::chrono::milliseconds(request.readTimeoutMs);
        errorBuffer_[0] = '\0';
    }

    HttpExchangeResult Run() {
        if (!CurlLibraryReady()) {
            return Failed("libcurl could not be initialised");
        }
        easy_.reset(curl_easy_init());
        multi_.reset(curl_multi_init());
        if (!easy_ || !multi_) {
            return Failed("libcurl could not create a transfer");
        }
        if (const CURLcode code = Configure(); code != CURLE_OK) {
            return Failed(curl_easy_strerror(code));
        }
        if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
            return Failed("libcurl could not start the transfer");
        }
        HttpExchangeResult result = Drive();
        curl_multi_remove_handle(multi_.get(), easy_.get());
        return result;
    }

  private:
    CURLcode Configure() {
        CURL* easy = easy_.get();
        headers_.reset(curl_slist_append(nullptr, kAccept));
        if (headers_) {
            curl_slist_append(headers_.get(), kNoExpect);
        }
        CURLcode code = CURLE_OK;
        const auto set = [&](CURLoption option, auto value) {
            if (code == CURLE_OK) {
                code = curl_easy_setopt(easy, option, value);
            }
        };
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_ERRORBUFFER, errorBuffer_);
        set(CURLOPT_URL, request_.url.c_str());
        set(CURLOPT_PROTOCOLS_STR, "http,https");
        set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        if (port_ != 0) {
            set(CURLOPT_PORT, static_cast<long>(port_));
        }
        set(CURLOPT_USERAGENT, kUserAgent);
        set(CURLOPT_REFERER, kReferer);
        set(CURLOPT_HTTPHEADER, headers_.get());
        set(CURLOPT_FOLLOWLOCATION, 1L);
        set(CURLOPT_MAXREDIRS, static_cast<long>(request_.maxRedirects));
        set(CURLOPT_PREREQFUNCTION, &OnConnected);
        set(CURLOPT_PREREQDATA, static_cast<void*>(&state_));
        set(CURLOPT_HEADERFUNCTION, &OnHeaderLine);
        set(CURLOPT_HEADERDATA, static_cast<void*>(&state_));
        set(CURLOPT_WRITEFUNCTION, &OnBody);
        set(CURLOPT_WRITEDATA, static_cast<void*>(&state_));
        if (!request_.username.empty() || !request_.password.empty()) {
            set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
            set(CURLOPT_USERNAME, request_.username.c_str());
            set(CURLOPT_PASSWORD, request_.password.c_str());
        }
        ConfigureProxy(set);
        if (request_.verb == HttpSmsVerb::Post) {
            const std::string body = SmsFormBody(request_.formLines);
            set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            set(CURLOPT_COPYPOSTFIELDS, body.c_str());
        } else {
            set(CURLOPT_HTTPGET, 1L);
        }
        return code;
    }

    template <class Set>
    void ConfigureProxy(const Set& set) {
        if (request_.proxyHost.empty() || request_.proxyPort == 0) {
            // An empty proxy also keeps libcurl from taking one from the environment.
            set(CURLOPT_PROXY, "");
            return;
        }
        set(CURLOPT_PROXY, request_.proxyHost.c_str());
        set(CURLOPT_PROXYPORT, static_cast<long>(request_.proxyPort));
        set(CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
        if (!request_.proxyUsername.empty() || !request_.proxyPassword.empty()) {
            // More than one scheme: the credentials go out only once the proxy asks for them.
            set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
            set(CURLOPT_PROXYUSERNAME, request_.proxyUsername.c_str());
            set(CURLOPT_PROXYPASSWORD, request_.proxyPassword.c_str());
        }
    }

    HttpExchangeResult Drive() {
        for (;;) {
            int running = 0;
            if (const CURLMcode code = curl_multi_perform(multi_.get(), &running);
                code != CURLM_OK) {
                return Finished(CURLE_OK, curl_multi_strerror(code));
            }
            if (running == 0) {
                return Finished(TransferCode(), {});
            }
            int waitMs = kConnectPollMs;
            if (state_.connected) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                    state_.lastData + state_.readTimeout - SteadyClock::now());
                if (left.count() <= 0) {
                    return Finished(CURLE_OK, kReadTimedOut);
                }
                waitMs = static_cast<int>(std::min<long long>(left.count(), kConnectPollMs));
            }
            if (const CURLMcode code = curl_multi_poll(multi_.get(), nullptr, 0, waitMs, nullptr);
                code != CURLM_OK) {
                return Finished(CURLE_OK, curl_multi_strerror(code));
            }
        }
    }

    CURLcode TransferCode() {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) {
                return message->data.result;
            }
        }
        return CURLE_OK;
    }

    // The result once the transfer ended with `code`, or was given up for `abandoned`.
    HttpExchangeResult Finished(CURLcode code, std::string_view abandoned) {
        HttpExchangeResult result;
        long status = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
        result.status = status;
        result.statusLine = state_.statusLine;
        result.body = state_.body;
        if (!abandoned.empty()) {
            result.failure = HttpExchangeFailure::Other;
            result.message = std::string(abandoned);
            return result;
        }
        if (code == CURLE_WRITE_ERROR && state_.bodyCut) {
            return result;
        }
        if (code == CURLE_OK && !state_.headersEnded) {
            result.failure = HttpExchangeFailure::Other;
            result.message = kHeadersCut;
            return result;
        }
        long osErrno = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_OS_ERRNO, &osErrno);
        result.failure = Classify(code, osErrno);
        if (result.failure != HttpExchangeFailure::None) {
            result.message = TrimBlanks(errorBuffer_[0] != '\0' ? std::string_view(errorBuffer_)
                                                                : curl_easy_strerror(code));
        }
        return result;
    }

    HttpExchangeResult Failed(std::string_view message) const {
        HttpExchangeResult result;
        result.failure = HttpExchangeFailure::Other;
        result.message = std::string(message);
        return result;
    }

    const HttpSmsRequest& request_;
    const int port_;
    ExchangeState state_;
    char errorBuffer_[CURL_ERROR_SIZE];
    // Declared so that the transfer is released before the multi handle and the header list.
    std::unique_ptr<curl_slist, ListDeleter> headers_;
    std::unique_ptr<CURLM, MultiDeleter> multi_;
    std::unique_ptr<CURL, EasyDeleter> easy_;
};

}  // namespace

HttpExchangeResult ExchangeHttpSms(const HttpSmsRequest& request, int port) {
    return Exchange(request, port).Run();
}

}  // namespace trevalon
