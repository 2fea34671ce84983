#include "engine/smpp/thread_sms.h"

#include <cerrno>
#include <exception>
#include <memory>
#include <string_view>
#include <utility>

#include "engine/alarms/connection_error_detail.h"
#include "engine/smpp/smsc_relay_smpp.h"
#include "foundation/catalogue.h"
#include "foundation/utf8_text.h"

namespace trevalon {
namespace {

constexpr std::int32_t kDefaultResponseTimeOut = 5000;
constexpr std::string_view kSentDetail = "[SMPP Alarm Sent Succeed]";

std::string FailureDetail(std::string_view failure, std::int32_t code) {
    std::string detail(failure);
    detail += std::to_string(code);
    detail += ']';
    return detail;
}

}  // namespace

std::u16string SmsTextFromUtf8(std::string_view text) {
    std::u16string result;
    result.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : Utf8SequenceLength(text, at);
        if (length <= 1) {
            result.push_back(static_cast<char16_t>(lead));
            ++at;
            continue;
        }
        char32_t code = lead & (0xFF >> (length + 1));
        for (std::size_t next = 1; next < length; ++next) {
            code = code << 6 | (static_cast<unsigned char>(text[at + next]) & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
        at += length;
    }
    return result;
}

ThreadSMS::ThreadSMS(const AlarmMethodSettings& settings, std::string destination,
                     std::string message)
    : DeliveryWorkItem(kSmsFailureTitle, DeliveryKind::kAlarm, false, "Error"),
      host_(settings.ip),
      port_(settings.port),
      username_(settings.authenticate ? settings.username : std::string()),
      password_(settings.authenticate ? settings.password : std::string()),
      originator_(settings.sms_oa),
      destination_(std::move(destination)),
      message_(std::move(message)),
      interfaceVersion_(static_cast<std::uint8_t>(settings.sms_version)),
      systemType_(settings.sms_system_type),
      bindTon_(static_cast<std::uint8_t>(settings.sms_ton)),
      bindNpi_(static_cast<std::uint8_t>(settings.sms_npi)),
      destTon_(static_cast<std::uint8_t>(settings.sms_dest_ton)),
      destNpi_(static_cast<std::uint8_t>(settings.sms_dest_npi)),
      origTon_(static_cast<std::uint8_t>(settings.sms_orig_ton)),
      origNpi_(static_cast<std::uint8_t>(settings.sms_orig_npi)),
      responseTimeOut_(settings.timeout > 0 ? settings.timeout : kDefaultResponseTimeOut) {}

void ThreadSMS::Execute() {
    // A session runs a thread of its own from its creation, so it is made only now rather than
    // when the job is queued; it is destroyed, and all its threads joined, before returning.
    std::unique_ptr<TtcSMSCRelaySMPP> relay;
    try {
        relay = std::make_unique<TtcSMSCRelaySMPP>();
        Deliver(*relay);
    } catch (const std::exception& error) {
        Fail(ConnectionErrorDetail(host_, port_, catalogue::kSmppConnectionError, error));
    }
    try {
        if (relay) {
            // Sends unbind only after an accepted bind.
            relay->Unbind();
            relay->Disconnect();
        }
    } catch (const std::exception& error) {
        Fail(ConnectionErrorDetail(host_, port_, catalogue::kSmppConnectionError, error));
    }
}

void ThreadSMS::Deliver(TtcSMSCRelaySMPP& relay) {
    relay.SetResponseTimeOut(responseTimeOut_);
    relay.SetConnectTimeOut(responseTimeOut_);
    // An empty host would resolve to 0.0.0.0, which Linux connects to this machine.
    const std::int32_t connected = host_.empty() ? EADDRNOTAVAIL : relay.Connect(host_, port_);
    if (connected != relay_result::kSuccess) {
        Fail(FailureDetail(catalogue::kSmppConnectionFailed, connected));
        return;
    }
    const std::int32_t bound = relay.Bind(username_, password_, bindTon_, bindNpi_, systemType_,
                                          bdTransmitter, interfaceVersion_, originator_);
    if (bound != relay_result::kSuccess) {
        Fail(FailureDetail(catalogue::kSmppBindingFailed, bound));
        return;
    }
    std::string messageId;
    const std::int32_t submitted =
        relay.SubmitMessage(destination_, destTon_, destNpi_, originator_, origTon_, origNpi_,
                            SmsTextFromUtf8(message_), TtcEncodingType::et7BitText, "",
                            soRegisteredDelivery, messageId);
    if (submitted != relay_result::kSuccess) {
        Fail(FailureDetail(catalogue::kSmppSendingFailed, submitted));
        return;
    }
    SetSucceeded(true);
    SetResultText("Sent");
    SetResultDetail(std::string(kSentDetail));
}

void ThreadSMS::Fail(std::string detail) {
    SetSucceeded(false);
    SetResultText("Error");
    SetResultDetail(std::move(detail));
}

}  // namespace trevalon
