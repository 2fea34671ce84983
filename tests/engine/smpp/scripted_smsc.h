#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace trevalon::testing {

using Bytes = std::vector<std::uint8_t>;

struct SmppPdu {
    std::uint32_t CommandId = 0;
    std::uint32_t CommandStatus = 0;
    std::uint32_t SequenceNumber = 0;
    Bytes Raw;
};

// A whole PDU with a correct command_length.
Bytes MakePdu(std::uint32_t commandId, std::uint32_t status, std::uint32_t sequence,
              const Bytes& body = {});
Bytes operator+(Bytes left, const Bytes& right);
Bytes CString(const std::string& text);

// The SMSC's end of one accepted connection. Every wait is bounded.
class SmscConnection {
  public:
    explicit SmscConnection(int handle) : handle_(handle) {}
    ~SmscConnection();
    SmscConnection(const SmscConnection&) = delete;
    SmscConnection& operator=(const SmscConnection&) = delete;

    // The next whole PDU; none when the client closed or nothing came within timeoutMs.
    std::optional<SmppPdu> ReadPdu(int timeoutMs = 5000);
    void Send(const Bytes& bytes);
    void Close();
    // True when the client closes its end within timeoutMs (bytes it still sends are dropped).
    bool WaitClosed(int timeoutMs = 5000);

  private:
    bool Fill(std::size_t wanted, int timeoutMs);

    int handle_;
    Bytes pending_;
};

// A loopback SMSC that accepts one connection and runs a script on it on its own thread.
class ScriptedSmsc {
  public:
    using Script = std::function<void(SmscConnection& connection)>;

    ScriptedSmsc();
    ~ScriptedSmsc();
    ScriptedSmsc(const ScriptedSmsc&) = delete;
    ScriptedSmsc& operator=(const ScriptedSmsc&) = delete;

    int Port() const { return port_; }
    void Run(Script script);
    // Waits for the script to end.
    void Finish();

  private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// A loopback port that was free a moment ago, for a server of the test's own to listen on.
int UnusedPort();

}  // namespace trevalon::testing
