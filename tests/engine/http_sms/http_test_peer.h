#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace trevalon::testing {

// One request as it arrived, byte for byte.
struct HttpRequestRecord {
    std::string head;  // request line and header lines with their CR LF, and the empty line
    std::string body;

    // The first line without its CR LF.
    std::string RequestLine() const;
    // The value of the first header called `name` (any letter case); none when it is absent.
    std::optional<std::string> Header(std::string_view name) const;
};

// What the peer does with one request.
struct HttpReply {
    std::string bytes;    // sent as they are; then the connection is closed
    bool silent = false;  // send nothing and keep the connection until the client leaves
};

// An HTTP server on a free loopback port, serving one connection at a time on its own thread
// until it is destroyed. Every request is recorded before it is answered.
class HttpTestPeer {
  public:
    // `respond` gets each request and its index (0 for the first the peer received).
    using Responder = std::function<HttpReply(const HttpRequestRecord&, std::size_t)>;

    explicit HttpTestPeer(Responder respond);
    ~HttpTestPeer();
    HttpTestPeer(const HttpTestPeer&) = delete;
    HttpTestPeer& operator=(const HttpTestPeer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;
    std::vector<HttpRequestRecord> Requests() const;

  private:
    void Serve();
    void ServeConnection(int connection);
    // False when the client left or the peer is stopping before the request was complete.
    bool ReadRequest(int connection, HttpRequestRecord& request) const;
    void SendAll(int connection, std::string_view bytes) const;
    void WaitUntilClientLeaves(int connection) const;
    // Waits until `descriptor` has the `events`; false when the peer is stopping instead.
    bool WaitFor(int descriptor, short events) const;

    Responder respond_;
    int listener_ = -1;
    int wake_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<HttpRequestRecord> requests_;
    std::thread thread_;
};

// "HTTP/1.1 <status> <reason>", the given header lines (each ending in CR LF), a
// Content-Length, "Connection: close", the empty line and the body.
std::string HttpResponse(int status, std::string_view reason, std::string_view headers = "",
                         std::string_view body = "");

}  // namespace trevalon::testing
