#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace trevalon::testing {

// One message as the SMTP server accepted it.
struct AcceptedMail {
    std::string from;
    std::vector<std::string> recipients;
    // As the server keeps it: dot-stuffing removed, CR LF line ends.
    std::string content;
};

// One connection as the server saw it.
struct SmtpSession {
    // Every byte the client sent, in order.
    std::string transcript;
    std::vector<AcceptedMail> messages;
};

// Debian's aiosmtpd (python3-aiosmtpd) with the recording handler of peers/smtp_peer.py,
// started on a free loopback port for one test and stopped with it. A missing Python or
// aiosmtpd fails the test.
class SmtpTestPeer {
  public:
    struct Options {
        // Set: AUTH LOGIN is offered and only this login accepted.
        std::string user;
        std::string password;
        // Recipients refused with 550.
        std::vector<std::string> refused;
    };

    SmtpTestPeer();
    explicit SmtpTestPeer(const Options& options);
    ~SmtpTestPeer();
    SmtpTestPeer(const SmtpTestPeer&) = delete;
    SmtpTestPeer& operator=(const SmtpTestPeer&) = delete;

    int Port() const { return port_; }

    // The next connection to end, waiting for it up to `timeout`; a test failure and an empty
    // session when none ends in time.
    SmtpSession NextSession(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  private:
    // The next complete output line, or empty when none came before `deadline`.
    std::string NextLine(std::chrono::steady_clock::time_point deadline);

    pid_t process_ = -1;
    int output_ = -1;
    int port_ = 0;
    std::string buffer_;
    // Messages of connections that have not ended yet, by connection number.
    std::map<std::string, std::vector<AcceptedMail>> pending_;
};

}  // namespace trevalon::testing
