#include "engine/snmp/snmp_trap_agent.h"

#include <charconv>

#include "engine/snmp/engine_id.h"
#include "engine/snmp/net_snmp_access.h"
#include "engine/snmp/snmp_agent_error.h"
#include "engine/snmp/trap_encoding.h"
#include "engine/snmp/trap_endpoint.h"

namespace trevalon {
namespace {

constexpr int kLargestPort = 65535;
constexpr std::string_view kTrapPort = "TrapPort";
constexpr std::string_view kTrapCommunity = "TrapCommunity";
constexpr std::string_view kTrapEnterprise = "TrapEnterprise";

int ReadPort(const std::string& text, const std::string& what) {
    int port = -1;
    const char* last = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), last, port);
    if (text.empty() || error != std::errc() || stop != last || port < 0 || port > kLargestPort) {
        throw SnmpAgentError("Bad " + what + " \"" + text + "\": 0 to 65535 expected");
    }
    return port;
}

}  // namespace

SnmpTrapAgent::SnmpTrapAgent() = default;
SnmpTrapAgent::~SnmpTrapAgent() = default;

std::unique_lock<std::mutex> SnmpTrapAgent::Lock() {
    return std::unique_lock(sequenceMutex_);
}

void SnmpTrapAgent::SetActive(bool active) {
    std::lock_guard state(stateMutex_);
    if (!active) {
        endpoint_.reset();
        activationError_.clear();
        return;
    }
    if (endpoint_) {
        return;
    }
    try {
        endpoint_ = std::make_unique<TrapEndpoint>(localHost_, localPort_);
        activationError_.clear();
    } catch (const SnmpAgentError& error) {
        activationError_ = error.what();
        throw;
    }
}

bool SnmpTrapAgent::Active() const {
    std::lock_guard state(stateMutex_);
    return endpoint_ != nullptr;
}

std::string SnmpTrapAgent::LocalEngineId() const {
    std::lock_guard state(stateMutex_);
    return localEngineId_;
}

void SnmpTrapAgent::SetLocalEngineId(const std::string& engineId) {
    std::lock_guard state(stateMutex_);
    localEngineId_ = engineId;
}

std::string SnmpTrapAgent::LocalHost() const {
    std::lock_guard state(stateMutex_);
    return localHost_;
}

void SnmpTrapAgent::SetLocalHost(const std::string& host) {
    std::lock_guard state(stateMutex_);
    localHost_ = host;
}

int SnmpTrapAgent::LocalPort() const {
    std::lock_guard state(stateMutex_);
    return localPort_;
}

void SnmpTrapAgent::SetLocalPort(int port) {
    if (port < 0 || port > kLargestPort) {
        throw SnmpAgentError("Bad local port " + std::to_string(port) + ": 0 to 65535 expected");
    }
    std::lock_guard state(stateMutex_);
    localPort_ = port;
}

void SnmpTrapAgent::SelectVersion(int version) {
    if (version < 1 || version > 3) {
        throw SnmpAgentError("Unsupported SNMP version " + std::to_string(version));
    }
    std::lock_guard state(stateMutex_);
    version_ = version;
}

int SnmpTrapAgent::Version() const {
    std::lock_guard state(stateMutex_);
    return version_;
}

std::string SnmpTrapAgent::ApplySetting(const std::string& setting) {
    const std::size_t equals = setting.find('=');
    if (equals == std::string::npos) {
        throw SnmpAgentError("Bad setting \"" + setting + "\": name=value expected");
    }
    const std::string name = setting.substr(0, equals);
    const std::string value = setting.substr(equals + 1);
    if (name == kTrapPort) {
        const int port = ReadPort(value, "trap port");
        std::lock_guard state(stateMutex_);
        trapPort_ = port;
        return std::to_string(DestinationPort());
    }
    if (name == kTrapCommunity) {
        std::lock_guard state(stateMutex_);
        community_ = value;
        return community_;
    }
    if (name == kTrapEnterprise) {
        std::vector<SubIdentifier> enterprise;
        {
            const NetSnmpAccess library;
            enterprise = ParseObjectId(library, value, "enterprise OID");
        }
        std::lock_guard state(stateMutex_);
        enterprise_ = std::move(enterprise);
        return value;
    }
    throw SnmpAgentError("Unknown setting \"" + name + "\"");
}

void SnmpTrapAgent::TrapTo(const std::string& destination, const std::string& trapOid) {
    std::lock_guard state(stateMutex_);
    const TrapEndpoint& endpoint = RequireEndpoint();
    if (version_ == 3) {
        throw SnmpAgentError("Version 3 traps need a user and a password");
    }
    Datagram datagram;
    {
        const NetSnmpAccess library;
        if (version_ == 1) {
            V1TrapContent content;
            content.community = community_;
            content.enterprise = enterprise_;
            content.agentAddress = endpoint.Ipv4Address();
            content.numbers = ParseV1TrapNumbers(trapOid);
            content.uptime = Uptime();
            datagram = EncodeV1Trap(library, content);
        } else {
            const NotificationContent content{ParseObjectId(library, trapOid, "trap OID"),
                                              Uptime()};
            datagram = EncodeV2cTrap(library, community_, content);
        }
    }
    endpoint.SendTo(destination, DestinationPort(), datagram);
}

void SnmpTrapAgent::SecureTrapTo(const std::string& destination, const std::string& trapOid,
                                 const std::string& user, const std::string& password) {
    std::lock_guard state(stateMutex_);
    const TrapEndpoint& endpoint = RequireEndpoint();
    UsmSender sender;
    if (!localEngineId_.empty()) {
        sender.engineId = ParseEngineId(localEngineId_);
    }
    sender.user = user;
    sender.password = password;
    Datagram datagram;
    {
        const NetSnmpAccess library;
        const NotificationContent content{ParseObjectId(library, trapOid, "trap OID"), Uptime()};
        datagram = EncodeV3Trap(library, sender, content);
    }
    endpoint.SendTo(destination, DestinationPort(), datagram);
}

const TrapEndpoint& SnmpTrapAgent::RequireEndpoint() const {
    if (endpoint_) {
        return *endpoint_;
    }
    if (!activationError_.empty()) {
        throw SnmpAgentError("SNMP agent not active: " + activationError_);
    }
    throw SnmpAgentError("SNMP agent not active");
}

int SnmpTrapAgent::DestinationPort() const {
    return trapPort_ == 0 ? kStandardTrapPort : trapPort_;
}

std::uint32_t SnmpTrapAgent::Uptime() const {
    const auto running = std::chrono::steady_clock::now() - createdAt_;
    // TimeTicks count hundredths of a second and wrap at 2^32.
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(running).count() / 10);
}

}  // namespace trevalon
