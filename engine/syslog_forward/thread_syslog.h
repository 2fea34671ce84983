#pragma once

// The "SysLog" delivery job: one alarm forwarded to another syslog server.

#include <memory>
#include <string>
#include <string_view>

#include "engine/pool/delivery_work_item.h"
#include "engine/storage/configuration_cache.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// Sends `datagram` to host:port over UDP from an ephemeral port. Raises std::runtime_error with
// the reason: an empty host, port 0 or one outside 1..65535 give the catalogue's reasons.
void SendSyslogDatagram(const std::string& host, int port, const std::string& datagram);

// Forwards one alarm to another syslog server as one RFC 3164 datagram over UDP, sent from an
// ephemeral port. UDP brings no acknowledgement: a datagram handed to the network counts as
// sent.
class ThreadSysLog : public DeliveryWorkItem {
  public:
    // `text` is sent as it is (see SyslogForwardText for the alarm text); `localIp`, the
    // machine's address, names the sender in the header.
    ThreadSysLog(std::string host, int port, TIdSyslogFacility facility, TIdSyslogSeverity severity,
                 std::string text, std::string localIp);

    // Never raises. ResultText becomes "Sent" or "Error", ResultDetail "[SysLog Alarm Sent
    // Succeed]" or "[SysLog Alarm Sent Error:<reason>]". Until then the job reads as sent with
    // an empty detail.
    void Execute() override;

    const std::string& Host() const { return host_; }
    int Port() const { return port_; }
    TIdSyslogFacility Facility() const { return facility_; }
    TIdSyslogSeverity Severity() const { return severity_; }
    const std::string& Text() const { return text_; }

    void ReleaseTexts() override;

  private:
    void Fail(std::string_view reason);

    std::string host_;
    int port_;
    TIdSyslogFacility facility_;
    TIdSyslogSeverity severity_;
    std::string text_;
    std::string localIp_;
};

// The forward of one alarm to the method's target: facility and severity from the received
// message's names, the text after the colon rule.
std::unique_ptr<ThreadSysLog> MakeThreadSysLog(const AlarmMethodSettings& settings,
                                               const std::string& facilityName,
                                               const std::string& severityName,
                                               const std::string& alarmText,
                                               const std::string& localIp);

}  // namespace trevalon
