#include "manager/dialogs/alarm_test_send.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <exception>
#include <memory>

#include "engine/http_sms/http_exchange.h"
#include "engine/http_sms/http_sms_request.h"
#include "engine/smpp/smsc_relay_smpp.h"
#include "engine/smpp/thread_sms.h"
#include "engine/smtp/smtp_client.h"
#include "engine/smtp/smtp_message.h"
#include "engine/snmp/thread_snmp.h"
#include "engine/snpp/snpp_client.h"
#include "engine/storage/configuration_loaders.h"
#include "engine/syslog_forward/syslog_forward_datagram.h"
#include "engine/syslog_forward/thread_syslog.h"
#include "foundation/clock.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

using std::chrono::milliseconds;

constexpr int kDefaultTimeout = 5000;
constexpr std::string_view kHttpScheme = "http://";

// A time-out of 0 or less would wait for ever; the deliveries read it as 5000 ms too.
milliseconds Timeout(int configured) {
    return milliseconds(configured > 0 ? configured : kDefaultTimeout);
}

bool StartsWithHttpScheme(const std::string& text) {
    if (text.size() < kHttpScheme.size()) {
        return false;
    }
    for (std::size_t at = 0; at < kHttpScheme.size(); ++at) {
        if (std::tolower(static_cast<unsigned char>(text[at])) != kHttpScheme[at]) {
            return false;
        }
    }
    return true;
}

// Shows what a test shows: the sending text, its outcome, and the failures in their format.
class Reporter {
  public:
    Reporter(AlarmMethod method, const AlarmTestReport& report)
        : name_(AlarmTestName(method)), report_(report) {}

    void Say(const std::string& text) const { report_.status(text); }
    void Sending() const { Say(name_ + " Message is sending out..."); }
    void Sent() const { Say(name_ + " Message has been sent already."); }
    void Failed(const std::string& message) const { Say(name_ + " Error : " + message); }
    void FailedAs(const std::string& name, const std::string& message) const {
        Say(name + " Error : " + message);
    }
    void Response(const std::string& body) const { report_.response(body); }

  private:
    std::string name_;
    const AlarmTestReport& report_;
};

void TestSmtp(const AlarmTestOrder& order, const Reporter& reporter) {
    const AlarmMethodSettings& settings = order.settings;
    SmtpClient client(Timeout(settings.read_timeout));
    try {
        client.Connect(TestHost(settings.ip), settings.port, Timeout(settings.timeout),
                       order.localName.empty() ? "localhost" : order.localName);
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
        client.Quit();
        return;
    }
    reporter.Sending();
    try {
        if (settings.authenticate) {
            client.AuthenticateLogin(settings.username, settings.password);
        }
        MailMessage message;
        message.from = ParseMailAddress(settings.smtp_from_address);
        message.replyTo = message.from;
        message.to = ParseMailAddressList(order.recipient);
        message.subject = "Testing Alarm Message";
        message.body = order.message;
        client.Send(message.from, message.to,
                    RenderMailMessage(message, settings.smtp_mail_agent, EngineClock().Now()));
        reporter.Sent();
    } catch (const std::exception& error) {
        reporter.FailedAs("SMTP Authentication", error.what());
    }
    client.Quit();
}

void SubmitSms(const AlarmTestOrder& order, TtcSMSCRelaySMPP& relay, const Reporter& reporter) {
    const AlarmMethodSettings& settings = order.settings;
    const std::int32_t timeout = static_cast<std::int32_t>(Timeout(settings.timeout).count());
    relay.SetResponseTimeOut(timeout);
    relay.SetConnectTimeOut(timeout);
    const std::string host = TestHost(settings.ip);
    // An empty host would resolve to 0.0.0.0, which Linux connects to this machine.
    const std::int32_t connected =
        host.empty() ? EADDRNOTAVAIL : relay.Connect(host, settings.port);
    if (connected != relay_result::kSuccess) {
        reporter.Say("Connection Failed : " + std::to_string(connected));
        return;
    }
    reporter.Say("Connected");
    const auto octet = [](int value) { return static_cast<std::uint8_t>(value); };
    const std::int32_t bound = relay.Bind(
        settings.username, settings.password, octet(settings.sms_ton), octet(settings.sms_npi),
        settings.sms_system_type, bdTransmitter, octet(settings.sms_version), settings.sms_oa);
    if (bound != relay_result::kSuccess) {
        reporter.Say("Binding Failed : " + std::to_string(bound));
        return;
    }
    reporter.Sending();
    std::string messageId;
    const std::int32_t submitted = relay.SubmitMessage(
        order.recipient, octet(settings.sms_dest_ton), octet(settings.sms_dest_npi),
        settings.sms_oa, octet(settings.sms_orig_ton), octet(settings.sms_orig_npi),
        SmsTextFromUtf8(order.message), TtcEncodingType::et7BitText, "", soRegisteredDelivery,
        messageId);
    if (submitted != relay_result::kSuccess) {
        reporter.Say("Sending Failed : " + std::to_string(submitted));
        return;
    }
    reporter.Sent();
}

void TestSms(const AlarmTestOrder& order, const Reporter& reporter) {
    std::unique_ptr<TtcSMSCRelaySMPP> relay;
    try {
        relay = std::make_unique<TtcSMSCRelaySMPP>();
        SubmitSms(order, *relay, reporter);
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
    }
    try {
        if (relay) {
            relay->Unbind();
            relay->Disconnect();
        }
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
    }
}

void TestHttp(const AlarmTestOrder& order, const Reporter& reporter) {
    AlarmMethodSettings settings = order.settings;
    settings.ip = TestUrl(settings.ip, order.portText);
    if (!settings.authenticate) {
        settings.username.clear();
        settings.password.clear();
    }
    const bool get = settings.url_method == "Get";
    HttpSmsRequest request = BuildHttpSmsRequest(
        settings, order.extraFields, get ? TrimBlanks(order.recipient) : order.recipient,
        get ? TrimBlanks(order.message) : order.message);
    request.readTimeoutMs = static_cast<int>(Timeout(settings.read_timeout).count());
    reporter.Sending();
    const HttpExchangeResult result = ExchangeHttpSms(request, 0);
    if (result.status > 0) {
        reporter.Response(result.body);
    }
    if (result.failure != HttpExchangeFailure::None) {
        reporter.Failed(result.message);
    } else if (result.status < 200 || result.status > 299) {
        reporter.Failed(result.statusLine);
    } else {
        reporter.Sent();
    }
}

void TestSysLog(const AlarmTestOrder& order, const Reporter& reporter) {
    reporter.Sending();
    try {
        const std::string datagram =
            SyslogForwardDatagram(order.facility, order.severity, ToLocalTime(EngineClock().Now()),
                                  order.localIp, SyslogForwardText(order.message));
        SendSyslogDatagram(TestHost(order.settings.ip), order.settings.port, datagram);
        reporter.Sent();
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
    }
}

void TestSnmp(const AlarmTestOrder& order, SnmpTrapAgent& agent, const Reporter& reporter) {
    const AlarmMethodSettings& settings = order.settings;
    const bool secure = order.snmpVersion == 3;
    reporter.Sending();
    try {
        SendTrapOrder(
            agent,
            TrapOrder{TestHost(settings.ip), settings.port, settings.snmp_trap_port, order.trapOid,
                      settings.snmp_local_engine_id, settings.snmp_localhost, order.snmpVersion,
                      secure ? order.snmpUser : "", secure ? order.snmpPassword : "",
                      secure ? "" : order.community, secure ? "" : order.enterprise});
        reporter.Sent();
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
    }
}

void TestSnpp(const AlarmTestOrder& order, const Reporter& reporter) {
    const AlarmMethodSettings& settings = order.settings;
    SnppClient client(Timeout(settings.read_timeout));
    reporter.Sending();
    try {
        client.Connect(TestHost(settings.ip), settings.port, Timeout(settings.timeout));
        if (client.Connected()) {
            reporter.Say("Connected");
            client.SendPage(order.recipient, order.message);
            reporter.Sent();
        } else {
            reporter.Say("Connection Failed");
        }
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
    }
    client.Disconnect();
}

}  // namespace

std::string AlarmTestName(AlarmMethod method) {
    switch (method) {
        case AlarmMethod::Email:
            return "SMTP";
        case AlarmMethod::Sms:
            return "SMS";
        case AlarmMethod::SmsByHttp:
            return "HTTP-SMS";
        case AlarmMethod::SysLog:
            return "SysLog";
        case AlarmMethod::Snmp:
            return "SNMP";
        case AlarmMethod::Snpp:
            return "SNPP Pager";
    }
    return {};
}

std::string TestHost(const std::string& host) {
    return StartsWithHttpScheme(host) ? host.substr(kHttpScheme.size()) : host;
}

std::string TestUrl(const std::string& url, const std::string& portText) {
    std::string full = UrlWithScheme(url);
    if (portText.empty() || full.empty()) {
        return full;
    }
    const std::size_t start = full.find("://") + 3;
    const std::size_t end = std::min(full.find_first_of("/?#", start), full.size());
    const std::string_view authority = std::string_view(full).substr(start, end - start);
    const std::size_t hostStart =
        authority.rfind('@') == std::string_view::npos ? 0 : authority.rfind('@') + 1;
    const std::size_t afterBracket = authority.find(']', hostStart) == std::string_view::npos
                                         ? hostStart
                                         : authority.find(']', hostStart);
    if (authority.find(':', afterBracket) != std::string_view::npos) {
        return full;
    }
    return full.insert(end, ":" + portText);
}

void RunAlarmTest(const AlarmTestOrder& order, SnmpTrapAgent& agent,
                  const AlarmTestReport& report) {
    const Reporter reporter(order.method, report);
    try {
        switch (order.method) {
            case AlarmMethod::Email:
                TestSmtp(order, reporter);
                break;
            case AlarmMethod::Sms:
                TestSms(order, reporter);
                break;
            case AlarmMethod::SmsByHttp:
                TestHttp(order, reporter);
                break;
            case AlarmMethod::SysLog:
                TestSysLog(order, reporter);
                break;
            case AlarmMethod::Snmp:
                TestSnmp(order, agent, reporter);
                break;
            case AlarmMethod::Snpp:
                TestSnpp(order, reporter);
                break;
        }
    } catch (const std::exception& error) {
        reporter.Failed(error.what());
    }
}

}  // namespace trevalon
