#pragma once

// The line-protocol TCP client the SMTP and SNPP deliveries talk through.

#include <chrono>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace trevalon {

// Why a line client operation failed.
enum class LineFailure {
    HostRequired,     // an empty host
    PortRequired,     // port 0
    InvalidPort,      // a port outside 1..65535
    SocketError,      // name not resolved, connection refused or reset, network unreachable
    ConnectTimedOut,  // no connection within the connect time-out
    ReadTimedOut,     // no complete reply within the read time-out
    WriteTimedOut,    // the peer took nothing within the read time-out
    ClosedByPeer,     // the peer closed before a complete reply
    LineTooLong,      // a reply line beyond kMaxReplyLine
    MalformedReply,   // not "<three digits>[ -]<text>"
    NotConnected,     // used while no connection is open
    LineBreakInCommand,
    UnexpectedReply,  // a complete reply with a code the step does not accept
};

class LineClientError : public std::runtime_error {
  public:
    LineClientError(LineFailure failure, const std::string& message)
        : std::runtime_error(message), failure_(failure) {}

    LineFailure Failure() const { return failure_; }

  private:
    LineFailure failure_;
};

// One reply of a line protocol server: "250 OK", or several "250-..." lines ended by "250 ...".
struct LineReply {
    int code = 0;
    // The text of every line after the code, joined by blanks, control characters made blanks
    // so that a reply cannot forge lines of the diagnostic log.
    std::string text;
};

// A TCP client for protocols of CR LF terminated command lines and numbered replies (SMTP,
// SNPP). Every wait is bounded: connecting by the connect time-out, each reply and each write
// by the read time-out. A failure that leaves the stream out of step with the peer (time-out,
// broken connection, oversized or malformed reply) closes the connection.
class LineClient {
  public:
    static constexpr std::size_t kMaxReplyLine = 16384;
    static constexpr int kMaxReplyLines = 100;

    explicit LineClient(std::chrono::milliseconds readTimeout);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    // Tries every address of `host` in turn until one accepts, all within `timeout`.
    void Connect(const std::string& host, int port, std::chrono::milliseconds timeout);
    // Open, and the peer has not been seen closing it.
    bool Connected() const;
    // Closes the connection; nothing is waited for.
    void Close() noexcept;

    // Sends `line` followed by CR LF; a line holding CR or LF is refused before anything is sent.
    void WriteLine(std::string_view line);
    // Sends `bytes` as they are.
    void Write(std::string_view bytes);
    // One reply, read within the read time-out. A code outside a non-empty `accepted` raises
    // UnexpectedReply with the reply's text (its code when the text is empty) as the message.
    LineReply ReadReply(std::initializer_list<int> accepted = {});
    // WriteLine, then ReadReply.
    LineReply Command(std::string_view line, std::initializer_list<int> accepted = {});

  private:
    std::string ReadLine(std::chrono::steady_clock::time_point deadline);
    [[noreturn]] void FailAndClose(LineFailure failure, const std::string& message);
    void RequireConnection() const;

    std::chrono::milliseconds readTimeout_;
    int socket_ = -1;
    bool peerClosed_ = false;
    std::string received_;
};

}  // namespace trevalon
