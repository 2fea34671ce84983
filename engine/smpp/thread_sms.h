#pragma once

// The "SMS" delivery job: one alarm as one short message over SMPP.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/pool/delivery_work_item.h"
#include "engine/storage/configuration_cache.h"

namespace trevalon {

class TtcSMSCRelaySMPP;

// A message text as a submit_sm takes it. Syslog senders do not all write UTF-8: a byte that
// starts no valid sequence keeps its Latin-1 meaning rather than being lost.
std::u16string SmsTextFromUtf8(std::string_view text);

// Sends one alarm as one SMS to one number over SMPP: connect, bind as a transmitter, one
// submit_sm in the GSM default alphabet with registered delivery, then always unbind and
// disconnect. The job makes its own session when it runs and ends it, with every thread the
// session started, before Execute returns.
class ThreadSMS : public DeliveryWorkItem {
  public:
    // From the "SMS" method's settings: host (`ip`), port, the bind's username and password
    // (kept only when `authenticate` is set), `sms_oa`, `sms_version`, `sms_system_type`, the
    // three TON/NPI pairs (each number goes out as one octet) and the response time-out
    // (`timeout`, 5000 ms when it is 0 or less). `message` is UTF-8; a byte that begins no valid
    // UTF-8 sequence is read as the Latin-1 character of its value.
    ThreadSMS(const AlarmMethodSettings& settings, std::string destination, std::string message);

    // Never raises. ResultText becomes "Sent" or "Error", ResultDetail "[SMPP Alarm Sent
    // Succeed]", the ERR00801, ERR00802 or ERR00803 detail with the session's result in decimal,
    // or "[<host>:<port> SMPP Alarm Connection Error:<reason>]" for an unexpected error.
    void Execute() override;

    // The longest wait for each reply: the bind, the submit and the unbind.
    std::int32_t ResponseTimeOut() const { return responseTimeOut_; }

  private:
    void Deliver(TtcSMSCRelaySMPP& relay);
    void Fail(std::string detail);

    std::string host_;
    std::int32_t port_;
    std::string username_;
    std::string password_;
    std::string originator_;
    std::string destination_;
    std::string message_;
    std::uint8_t interfaceVersion_;
    std::string systemType_;
    std::uint8_t bindTon_;
    std::uint8_t bindNpi_;
    std::uint8_t destTon_;
    std::uint8_t destNpi_;
    std::uint8_t origTon_;
    std::uint8_t origNpi_;
    std::int32_t responseTimeOut_;
};

}  // namespace trevalon
