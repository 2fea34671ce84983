#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace trevalon::testing {

// The server side of one accepted connection, as a script sees it. Every wait ends after
// kPeerPatience at the latest, so a script never outlives a test that went wrong.
class ScriptedConnection {
  public:
    static constexpr std::chrono::seconds kPeerPatience{10};

    explicit ScriptedConnection(int socketFd) : socket_(socketFd) {}

    // The next line from the client without its CR LF; nothing once the client closed.
    std::optional<std::string> ReadLine();
    // Reads until the client closes.
    void WaitForClose();
    void Send(std::string_view bytes);
    // Sends `reply` and CR LF.
    void Reply(std::string_view reply);
    // Reads one line and answers it with `reply`; false when the client closed instead.
    bool Answer(std::string_view reply);

    // Every byte the client sent so far.
    const std::string& Received() const { return received_; }

  private:
    bool ReadMore();

    int socket_;
    std::string received_;
    std::size_t consumed_ = 0;
};

// A TCP server on 127.0.0.1 that accepts one connection and runs a script on it, on a thread
// of its own. The connection is closed when the script returns.
class ScriptedLineServer {
  public:
    using Script = std::function<void(ScriptedConnection&)>;

    explicit ScriptedLineServer(Script script);
    // Joins the thread; the script ends by itself (see kPeerPatience).
    ~ScriptedLineServer();
    ScriptedLineServer(const ScriptedLineServer&) = delete;
    ScriptedLineServer& operator=(const ScriptedLineServer&) = delete;

    int Port() const { return port_; }
    // Waits for the script to end and returns every byte the client sent.
    std::string Transcript();

  private:
    void Serve(Script script);

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::string transcript_;
    std::thread thread_;
};

// A port of 127.0.0.1 that is bound but not listening, so connecting to it is refused.
class RefusingPort {
  public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int Port() const { return port_; }

  private:
    int socket_ = -1;
    std::uint16_t port_ = 0;
};

// A listener on 127.0.0.1 whose accept queue is full, so that a further connection attempt
// gets no answer at all and only a connect time-out ends it.
class SilentListener {
  public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Port() const { return port_; }

  private:
    int listener_ = -1;
    int queued_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace trevalon::testing
