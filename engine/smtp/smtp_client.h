#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "engine/alarms/line_client.h"
#include "engine/smtp/smtp_message.h"

namespace trevalon {

// The client side of an SMTP dialogue. Transport failures raise LineClientError; a reply with
// a code the step does not accept raises it with failure UnexpectedReply and the reply's text.
class SmtpClient {
  public:
    explicit SmtpClient(std::chrono::milliseconds readTimeout);

    // Connects, requires the 220 greeting and introduces itself as `localName` with EHLO, or
    // with HELO (which must be answered with 250) when EHLO is not answered with 250.
    void Connect(const std::string& host, int port, std::chrono::milliseconds connectTimeout,
                 const std::string& localName);
    bool Connected() const { return line_.Connected(); }
    // AUTH LOGIN: 334, the user name in Base64, 334, the password in Base64, 235.
    void AuthenticateLogin(const std::string& user, const std::string& password);
    // RSET (any reply), MAIL FROM (250), RCPT TO per recipient in order (250 or 251), DATA
    // (354), `content` dot-stuffed and "." (250). An address or display name holding a control
    // character (a line break could smuggle in a command), or no recipient at all, is refused
    // before any command is sent.
    void Send(const MailAddress& from, const std::vector<MailAddress>& recipients,
              std::string_view content);
    // Sends QUIT when still connected, without waiting for its reply, and closes.
    void Quit() noexcept;

  private:
    LineClient line_;
};

}  // namespace trevalon
