#pragma once

// The test message of "Alarming Options": one alarm method tried with the values on screen,
// through the engine's own protocol clients. Runs on the dialog's test thread; never raises.

#include <functional>
#include <string>
#include <vector>

#include "engine/storage/configuration_cache.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

class SnmpTrapAgent;

struct AlarmTestOrder {
    AlarmMethod method = AlarmMethod::Email;
    // The page's settings as typed; hosts still as typed, with any leading "HTTP://".
    AlarmMethodSettings settings;
    // For "SMS by HTTP": the port field's text, which the test puts into the URL.
    std::string portText;
    // The recipient e-mail, phone number, $MSISDN or pager id; the message as typed.
    std::string recipient;
    std::string message;
    // "SysLog": the chosen facility and severity; the sender named in the header.
    TIdSyslogFacility facility = TIdSyslogFacility::sfKernel;
    TIdSyslogSeverity severity = TIdSyslogSeverity::slEmergency;
    std::string localIp;
    // "Email": how the client introduces itself.
    std::string localName;
    // "SMS by HTTP" with "Post": the extra fields as last saved, "name=value".
    std::vector<std::string> extraFields;
    // "SNMP": version 1, 2 (2c) or 3; for version 3 `community` and `enterprise` are unused and
    // the user and password go with the trap.
    int snmpVersion = 1;
    std::string trapOid;
    std::string community;
    std::string enterprise;
    std::string snmpUser;
    std::string snmpPassword;
};

// What a test shows while it runs: status texts in order, and for "SMS by HTTP" the body of
// the response.
struct AlarmTestReport {
    std::function<void(const std::string& text)> status;
    std::function<void(const std::string& body)> response;
};

// "SMTP", "SMS", "HTTP-SMS", "SysLog", "SNMP" or "SNPP Pager".
std::string AlarmTestName(AlarmMethod method);

// `host` without a leading "HTTP://" in any letter case.
std::string TestHost(const std::string& host);

// The URL the "SMS by HTTP" test requests: "http://" put in front unless it starts with
// "HTTP://" in any letter case, and ":" and the port put at the end of the host part, unless
// the URL names a port itself or the port text is empty.
std::string TestUrl(const std::string& url, const std::string& portText);

// Sends the test; `agent` serves the SNMP test.
void RunAlarmTest(const AlarmTestOrder& order, SnmpTrapAgent& agent, const AlarmTestReport& report);

}  // namespace trevalon
