#include "engine/snmp/usm_trap_context.h"

#include <algorithm>
#include <chrono>
#include <cstring>

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/keytools.h>
#include <net-snmp/library/lcd_time.h>
#include <net-snmp/library/snmpusm.h>
// clang-format on

#include "engine/snmp/snmp_agent_error.h"

namespace trevalon {
namespace {

constexpr unsigned kLargestEngineValue = 2147483646U;

struct EngineTimes {
    unsigned boots = 0;
    unsigned time = 0;
};

// A receiver keeps the highest boots/time it has seen from an engine and rejects older ones.
// Boots is the wall-clock second of the process's first SNMPv3 trap, so it grows with every
// restart and a new run is accepted by a receiver that remembers the last; time counts the
// seconds since.
EngineTimes CurrentEngineTimes() {
    using namespace std::chrono;
    static const auto startedAt = steady_clock::now();
    static const auto bootsAtStart =
        duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    const auto running = duration_cast<seconds>(steady_clock::now() - startedAt).count();
    EngineTimes times;
    times.boots =
        static_cast<unsigned>(std::clamp<long long>(bootsAtStart, 1, kLargestEngineValue));
    times.time = static_cast<unsigned>(std::clamp<long long>(running, 0, kLargestEngineValue));
    return times;
}

std::vector<unsigned char> LocalisedKey(const NetSnmpAccess& library,
                                        const std::vector<unsigned char>& engineId,
                                        const std::string& password) {
    u_char masterKey[USM_LENGTH_KU_HASHBLOCK];
    size_t masterKeyLength = sizeof masterKey;
    int result = generate_Ku(usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN,
                             reinterpret_cast<const u_char*>(password.data()), password.size(),
                             masterKey, &masterKeyLength);
    if (result != SNMPERR_SUCCESS) {
        throw SnmpAgentError("Bad SNMPv3 password: " + library.ErrorText(result));
    }
    u_char localKey[USM_LENGTH_KU_HASHBLOCK];
    size_t localKeyLength = sizeof localKey;
    result = generate_kul(usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN, engineId.data(),
                          engineId.size(), masterKey, masterKeyLength, localKey, &localKeyLength);
    if (result != SNMPERR_SUCCESS) {
        throw SnmpAgentError("Cannot localise the SNMPv3 key: " + library.ErrorText(result));
    }
    return std::vector<unsigned char>(localKey, localKey + localKeyLength);
}

template <class Value>
Value* Duplicate(const Value* data, std::size_t count) {
    return static_cast<Value*>(netsnmp_memdup(data, count * sizeof(Value)));
}

}  // namespace

UsmTrapContext::UsmTrapContext(const NetSnmpAccess& library,
                               const std::vector<unsigned char>& engineId, const std::string& user,
                               const std::string& password)
    : engineId_(engineId) {
    if (user.empty()) {
        throw SnmpAgentError("No SNMPv3 user name");
    }
    const std::vector<unsigned char> key = LocalisedKey(library, engineId, password);

    user_ = usm_create_user();
    if (user_ == nullptr) {
        throw SnmpAgentError("Cannot create the SNMPv3 user: out of memory");
    }
    user_->engineID = Duplicate(engineId.data(), engineId.size());
    user_->engineIDLen = engineId.size();
    user_->name = strdup(user.c_str());
    user_->secName = strdup(user.c_str());
    SNMP_FREE(user_->authProtocol);
    user_->authProtocol = Duplicate(usmHMACSHA1AuthProtocol, USM_AUTH_PROTO_SHA_LEN);
    user_->authProtocolLen = USM_AUTH_PROTO_SHA_LEN;
    user_->authKey = Duplicate(key.data(), key.size());
    user_->authKeyLen = key.size();
    if (user_->engineID == nullptr || user_->name == nullptr || user_->secName == nullptr ||
        user_->authProtocol == nullptr || user_->authKey == nullptr) {
        usm_free_user(user_);
        throw SnmpAgentError("Cannot create the SNMPv3 user: out of memory");
    }
    usm_add_user(user_);

    const EngineTimes times = CurrentEngineTimes();
    set_enginetime(engineId_.data(), static_cast<u_int>(engineId_.size()), times.boots, times.time,
                   TRUE);
}

UsmTrapContext::~UsmTrapContext() {
    free_enginetime(engineId_.data(), engineId_.size());
    usm_remove_user(user_);
    usm_free_user(user_);
}

}  // namespace trevalon
