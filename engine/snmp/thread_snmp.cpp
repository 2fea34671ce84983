#include "engine/snmp/thread_snmp.h"

#include <exception>
#include <utility>

namespace trevalon {
namespace {

constexpr const char* kSent = "Sent";
constexpr const char* kError = "Error";
constexpr const char* kSentDetail = "[SNMP Alarm Sent Succeed]";
constexpr const char* kErrorDetail = " SNMP Alarm Sent Error:";
constexpr const char* kBlanks = " \t\r\n";

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A set-up step whose failure does not stop the job: the trap then fails with the reason if
// the step mattered.
template <class Step>
void IgnoringFailure(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace

ThreadSNMP::ThreadSNMP(SnmpTrapAgent& agent, std::string destinationHost, std::int32_t localPort,
                       std::int32_t trapPort, std::string trapOid, std::string localEngineId,
                       std::string localHost, std::int32_t version, std::string user,
                       std::string password, std::string community, std::string enterprise,
                       std::int32_t retry)
    : DeliveryWorkItem(kSnmpFailureTitle, DeliveryKind::kAlarm),
      agent_(agent),
      destinationHost_(std::move(destinationHost)),
      localPort_(localPort),
      trapPort_(trapPort),
      trapOid_(std::move(trapOid)),
      localEngineId_(std::move(localEngineId)),
      localHost_(std::move(localHost)),
      version_(version),
      user_(version == 3 ? std::move(user) : std::string()),
      password_(version == 3 ? std::move(password) : std::string()),
      community_(std::move(community)),
      enterprise_(std::move(enterprise)),
      retry_(retry) {}

void ThreadSNMP::Execute() {
    try {
        const std::unique_lock<std::mutex> sequence = agent_.Lock();
        PrepareAgent();
        SendTrap();
        SetSucceeded(true);
        SetResultText(kSent);
        SetResultDetail(kSentDetail);
    } catch (const std::exception& error) {
        Fail(error.what());
    } catch (...) {
        Fail({});
    }
}

void ThreadSNMP::PrepareAgent() {
    IgnoringFailure([this] { agent_.SetActive(false); });
    IgnoringFailure([this] { agent_.SetLocalEngineId(localEngineId_); });
    IgnoringFailure([this] { agent_.SetLocalHost(localHost_); });
    IgnoringFailure([this] { agent_.SetLocalPort(localPort_); });
    IgnoringFailure([this] { agent_.SetActive(true); });
}

void ThreadSNMP::SendTrap() {
    const std::string trapPortSetting = "TrapPort=" + std::to_string(trapPort_);
    if (version_ == 1) {
        agent_.SelectVersion(1);
        agent_.ApplySetting(trapPortSetting);
        if (!community_.empty()) {
            agent_.ApplySetting("TrapCommunity=" + community_);
        }
        if (!enterprise_.empty()) {
            agent_.ApplySetting("TrapEnterprise=" + enterprise_);
        }
        agent_.TrapTo(destinationHost_, trapOid_);
    } else if (version_ == 2) {
        agent_.SelectVersion(2);
        agent_.ApplySetting(trapPortSetting);
        agent_.TrapTo(destinationHost_, trapOid_);
    } else {
        agent_.SelectVersion(3);
        agent_.ApplySetting(trapPortSetting);
        agent_.SecureTrapTo(destinationHost_, trapOid_, user_, password_);
    }
}

void ThreadSNMP::Fail(const std::string& reason) {
    SetSucceeded(false);
    SetResultText(kError);
    SetResultDetail("[" + destinationHost_ + ":" + std::to_string(localPort_) + kErrorDetail +
                    TrimBlanks(reason) + "]");
}

}  // namespace trevalon
