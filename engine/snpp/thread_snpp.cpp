#include "engine/snpp/thread_snpp.h"

#include <exception>
#include <utility>

#include "engine/alarms/connection_error_detail.h"
#include "engine/snpp/snpp_client.h"
#include "foundation/catalogue.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

constexpr int kDefaultTimeout = 5000;
constexpr const char* kSentDetail = "[SNPP Alarm Sent Succeed]";
constexpr const char* kSendError = "[SNPP Alarm Sent Error:";

}  // namespace

ThreadSNPP::ThreadSNPP(const AlarmMethodSettings& settings, std::string pagerId,
                       std::string message)
    : DeliveryWorkItem(kSnppFailureTitle, DeliveryKind::kAlarm, true, "Sent"),
      host_(settings.ip),
      port_(settings.port),
      connectTimeout_(settings.timeout < 1 ? kDefaultTimeout : settings.timeout),
      readTimeout_(settings.read_timeout <= 0 ? kDefaultTimeout : settings.read_timeout),
      pagerId_(std::move(pagerId)),
      message_(std::move(message)) {}

void ThreadSNPP::Execute() {
    try {
        SnppClient client(readTimeout_);
        if (Connect(client)) {
            SendPage(client);
        }
        client.Disconnect();
    } catch (const std::exception& error) {
        Fail(kSendError + TrimBlanks(error.what()) + "]");
    }
}

bool ThreadSNPP::Connect(SnppClient& client) {
    try {
        client.Connect(host_, port_, connectTimeout_);
    } catch (const std::exception& error) {
        Fail(ConnectionErrorDetail(host_, port_, catalogue::kSnppConnectionError, error));
        return false;
    }
    if (!client.Connected()) {
        Fail(NotConnectedDetail(host_, port_, catalogue::kSnppConnectionError));
        return false;
    }
    return true;
}

void ThreadSNPP::SendPage(SnppClient& client) {
    try {
        client.SendPage(pagerId_, message_);
        SetResultDetail(kSentDetail);
    } catch (const std::exception& error) {
        Fail(kSendError + TrimBlanks(error.what()) + "]");
    }
}

void ThreadSNPP::Fail(std::string detail) {
    SetSucceeded(false);
    SetResultText("Error");
    SetResultDetail(std::move(detail));
}

}  // namespace trevalon
