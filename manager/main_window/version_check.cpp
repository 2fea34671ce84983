#include "manager/main_window/version_check.h"

#include <QMetaObject>
#include <QXmlStreamReader>

#include <curl/curl.h>

#include <memory>

#include "engine/http_sms/curl_library.h"

namespace trevalon {
namespace {

constexpr const char* kProduct = "Trevalon";
constexpr long kReadTimeoutMilliseconds = 10000;
constexpr long kMaxRedirects = 5;
// Bodies past this size are no version document; the transfer ends instead of filling memory.
constexpr std::size_t kMaxBody = 1 << 20;

struct Transfer {
    std::stop_token stop;
    std::string body;
};

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    if (transfer.body.size() + bytes > kMaxBody) {
        return 0;
    }
    transfer.body.append(data, bytes);
    return bytes;
}

int AbortWhenStopped(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(context)->stop.stop_requested() ? 1 : 0;
}

// The body of a successful GET; nothing after any failure, an error status among them.
std::optional<std::string> Fetch(const std::string& url, std::stop_token stop) {
    if (!CurlLibraryReady()) {
        return std::nullopt;
    }
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                   &curl_easy_cleanup);
    if (!curl) {
        return std::nullopt;
    }
    Transfer transfer{std::move(stop), {}};
    curl_slist* headers = nullptr;
    for (const char* header :
         {"Accept: text/html, */*", "Content-Type: text/html", "User-Agent: Mozilla/3.0"}) {
        headers = curl_slist_append(headers, header);
    }
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(
        headers, &curl_slist_free_all);
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kReadTimeoutMilliseconds);
    // No byte for the read time-out ends the transfer.
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kReadTimeoutMilliseconds / 1000);
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &KeepBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &AbortWhenStopped);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    if (curl_easy_perform(handle) != CURLE_OK) {
        return std::nullopt;
    }
    return std::move(transfer.body);
}

}  // namespace

std::optional<std::string> PublishedVersion(std::string_view body, std::string_view product) {
    const QByteArray document =
        QByteArray(body.data(), static_cast<qsizetype>(body.size())).trimmed();
    // The whole document must be well formed before anything in it counts.
    QXmlStreamReader check(document);
    while (!check.atEnd()) {
        check.readNext();
    }
    if (check.hasError()) {
        return std::nullopt;
    }
    QXmlStreamReader reader(document);
    if (!reader.readNextStartElement()) {
        return std::nullopt;
    }
    const QString wanted =
        QString::fromUtf8(product.data(), static_cast<qsizetype>(product.size()));
    while (reader.readNextStartElement()) {
        if (reader.name() != wanted) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("version")) {
                return reader.readElementText(QXmlStreamReader::IncludeChildElements)
                    .trimmed()
                    .toStdString();
            }
            reader.skipCurrentElement();
        }
        return std::string();
    }
    return std::string();
}

VersionCheck::VersionCheck(const std::string& address, QObject& receiver, Found found) {
    if (address.empty()) {
        return;
    }
    thread_ = std::jthread([url = "http://" + address, target = &receiver,
                            found = std::move(found)](std::stop_token stop) {
        const std::optional<std::string> body = Fetch(url, stop);
        if (!body || stop.stop_requested()) {
            return;
        }
        const std::optional<std::string> version = PublishedVersion(*body, kProduct);
        if (!version) {
            return;
        }
        // A call still queued when the receiver goes is dropped with it.
        QMetaObject::invokeMethod(
            target, [found, found_version = *version] { found(found_version); },
            Qt::QueuedConnection);
    });
}

VersionCheck::~VersionCheck() = default;

}  // namespace trevalon
