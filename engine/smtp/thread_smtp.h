#pragma once

// The "Email" delivery job: one alarm mailed to every recipient of a job.

#include <chrono>
#include <string>
#include <string_view>

#include "engine/pool/delivery_work_item.h"
#include "engine/smtp/smtp_message.h"
#include "engine/storage/configuration_cache.h"

namespace trevalon {

class SmtpClient;

// Sends one alarm e-mail to all recipients of a job over one SMTP connection.
class ThreadSMTP : public DeliveryWorkItem {
  public:
    // From the "Email" method's settings: host (`ip`), port, mail agent, user name and password
    // (kept only when `authenticate` is set) and the time-outs (a connect time-out below 1 and a
    // read time-out of 0 or less become 5000 ms); the message goes from `smtp_from_address` to
    // the addresses of `recipients` (";" or "," between them) with `text` as its body.
    // `localName`, the machine's HostName, introduces the client ("localhost" when empty).
    ThreadSMTP(const AlarmMethodSettings& settings, std::string_view recipients,
               std::string_view text, std::string_view localName);

    // Never raises. ResultText becomes "Sent" or "Error", ResultDetail "[SMTP Alarm Sent
    // Succeed]" or the connection, authentication or sending error.
    void Execute() override;

    std::chrono::milliseconds ConnectTimeout() const { return connectTimeout_; }
    std::chrono::milliseconds ReadTimeout() const { return readTimeout_; }
    const MailMessage& Message() const { return message_; }

  private:
    bool Connect(SmtpClient& client);
    bool Authenticate(SmtpClient& client);
    void Send(SmtpClient& client);
    void Fail(std::string detail);

    std::string host_;
    int port_;
    std::string mailAgent_;
    bool authenticate_;
    std::string username_;
    std::string password_;
    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds readTimeout_;
    std::string localName_;
    MailMessage message_;
};

}  // namespace trevalon
