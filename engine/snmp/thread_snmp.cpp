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

void SendTrapOrder(SnmpTrapAgent& agent, const TrapOrder& order) {
    const std::unique_lock<std::mutex> sequence = agent.Lock();
    IgnoringFailure([&] { agent.SetActive(false); });
    IgnoringFailure([&] { agent.SetLocalEngineId(order.localEngineId); });
    IgnoringFailure([&] { agent.SetLocalHost(order.localHost); });
    IgnoringFailure([&] { agent.SetLocalPort(order.localPort); });
    IgnoringFailure([&] { agent.SetActive(true); });
    const std::string trapPortSetting = "TrapPort=" + std::to_string(order.trapPort);
    if (order.version == 1) {
        agent.SelectVersion(1);
        agent.ApplySetting(trapPortSetting);
        if (!order.community.empty()) {
            agent.ApplySetting("TrapCommunity=" + order.community);
        }
        if (!order.enterprise.empty()) {
            agent.ApplySetting("TrapEnterprise=" + order.enterprise);
        }
        agent.TrapTo(order.destinationHost, order.trapOid);
    } else if (order.version == 2) {
        agent.SelectVersion(2);
        agent.ApplySetting(trapPortSetting);
        agent.TrapTo(order.destinationHost, order.trapOid);
    } else {
        agent.SelectVersion(3);
        agent.ApplySetting(trapPortSetting);
        agent.SecureTrapTo(order.destinationHost, order.trapOid, order.user, order.password);
    }
}

ThreadSNMP::ThreadSNMP(SnmpTrapAgent& agent, std::string destinationHost, std::int32_t localPort,
                       std::int32_t trapPort, std::string trapOid, std::string localEngineId,
                       std::string localHost, std::int32_t version, std::string user,
                       std::string password, std::string community, std::string enterprise,
                       std::int32_t retry)
    : DeliveryWorkItem(kSnmpFailureTitle, DeliveryKind::kAlarm),
      agent_(agent),
      order_{std::move(destinationHost),
             localPort,
             trapPort,
             std::move(trapOid),
             std::move(localEngineId),
             std::move(localHost),
             version,
             version == 3 ? std::move(user) : std::string(),
             version == 3 ? std::move(password) : std::string(),
             std::move(community),
             std::move(enterprise)},
      retry_(retry) {}

void ThreadSNMP::Execute() {
    try {
        SendTrapOrder(agent_, order_);
        SetSucceeded(true);
        SetResultText(kSent);
        SetResultDetail(kSentDetail);
    } catch (const std::exception& error) {
        Fail(error.what());
    } catch (...) {
        Fail({});
    }
}

void ThreadSNMP::Fail(const std::string& reason) {
    SetSucceeded(false);
    SetResultText(kError);
    SetResultDetail("[" + order_.destinationHost + ":" + std::to_string(order_.localPort) +
                    kErrorDetail + TrimBlanks(reason) + "]");
}

}  // namespace trevalon
