#pragma once

#include <chrono>
#include <string>

#include "engine/alarms/line_client.h"

namespace trevalon {

// The client side of an SNPP level 1 dialogue (RFC 1861). Transport failures raise
// LineClientError; a reply with a code the step does not accept raises it with failure
// UnexpectedReply and the reply's text.
class SnppClient {
  public:
    explicit SnppClient(std::chrono::milliseconds readTimeout);

    // Connects and reads the greeting. A greeting other than 220 is answered with QUIT (its
    // reply read), the connection is closed, and the greeting's text is raised.
    void Connect(const std::string& host, int port, std::chrono::milliseconds connectTimeout);
    bool Connected() const { return line_.Connected(); }
    // PAGE, MESS and SEND, each answered with 250. A message of more than one line is refused
    // before anything is sent, as is a pager id with a line break.
    void SendPage(const std::string& pagerId, const std::string& message);
    // Sends QUIT when still connected, reads its reply whatever it is, and closes.
    void Disconnect() noexcept;

  private:
    LineClient line_;
};

}  // namespace trevalon
