#include "engine/smtp/thread_smtp.h"

#include <exception>
#include <utility>

#include "engine/alarms/connection_error_detail.h"
#include "engine/smtp/smtp_client.h"
#include "foundation/catalogue.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

constexpr int kDefaultTimeout = 5000;
constexpr const char* kSentDetail = "[SMTP Alarm Sent Succeed]";
constexpr const char* kAuthenticationError = "[SMTP Alarm Authentication Error:";
constexpr const char* kSendError = "[SMTP Alarm Sent Error:";
// A host without a name still has to introduce itself with something EHLO accepts.
constexpr const char* kFallbackLocalName = "localhost";

std::string ErrorDetail(const char* prefix, std::string_view message) {
    return prefix + TrimBlanks(message) + "]";
}

}  // namespace

ThreadSMTP::ThreadSMTP(const AlarmMethodSettings& settings, std::string_view recipients,
                       std::string_view text, std::string_view localName)
    : DeliveryWorkItem(kSmtpFailureTitle, DeliveryKind::kAlarm, true, "Sent"),
      host_(settings.ip),
      port_(settings.port),
      mailAgent_(settings.smtp_mail_agent),
      authenticate_(settings.authenticate),
      username_(settings.authenticate ? settings.username : std::string()),
      password_(settings.authenticate ? settings.password : std::string()),
      connectTimeout_(settings.timeout < 1 ? kDefaultTimeout : settings.timeout),
      readTimeout_(settings.read_timeout <= 0 ? kDefaultTimeout : settings.read_timeout),
      localName_(localName.empty() ? kFallbackLocalName : localName),
      message_(AlarmMailMessage(settings.smtp_from_address, recipients, text)) {}

void ThreadSMTP::Execute() {
    try {
        SmtpClient client(readTimeout_);
        if (Connect(client) && (!authenticate_ || Authenticate(client))) {
            Send(client);
        }
        client.Quit();
    } catch (const std::exception& error) {
        Fail(ErrorDetail(kSendError, error.what()));
    }
}

bool ThreadSMTP::Connect(SmtpClient& client) {
    try {
        client.Connect(host_, port_, connectTimeout_, localName_);
    } catch (const std::exception& error) {
        Fail(ConnectionErrorDetail(host_, port_, catalogue::kSmtpConnectionError, error));
        return false;
    }
    if (!client.Connected()) {
        Fail(NotConnectedDetail(host_, port_, catalogue::kSmtpConnectionError));
        return false;
    }
    return true;
}

bool ThreadSMTP::Authenticate(SmtpClient& client) {
    try {
        client.AuthenticateLogin(username_, password_);
        return true;
    } catch (const std::exception& error) {
        Fail(ErrorDetail(kAuthenticationError, error.what()));
        return false;
    }
}

void ThreadSMTP::Send(SmtpClient& client) {
    try {
        client.Send(message_.from, message_.to,
                    RenderMailMessage(message_, mailAgent_, EngineClock().Now()));
        SetResultDetail(kSentDetail);
    } catch (const std::exception& error) {
        Fail(ErrorDetail(kSendError, error.what()));
    }
}

void ThreadSMTP::Fail(std::string detail) {
    SetSucceeded(false);
    SetResultText("Error");
    SetResultDetail(std::move(detail));
}

}  // namespace trevalon
