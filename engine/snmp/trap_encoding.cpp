#include "engine/snmp/trap_encoding.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include "engine/snmp/snmp_agent_error.h"
#include "engine/snmp/usm_trap_context.h"

#ifndef NETSNMP_USE_REVERSE_ASNENCODING
#error "snmp_build is expected to encode from the end of its buffer"
#endif

namespace trevalon {
namespace {

const oid kSysUpTime[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const oid kSnmpTrapOid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
constexpr std::size_t kFirstBufferSize = 512;

struct PduRelease {
    void operator()(netsnmp_pdu* pdu) const { snmp_free_pdu(pdu); }
};
using PduPointer = std::unique_ptr<netsnmp_pdu, PduRelease>;

template <class Value>
Value* Duplicate(const Value* data, std::size_t count) {
    auto* copy = static_cast<Value*>(netsnmp_memdup(data, count * sizeof(Value)));
    if (copy == nullptr && count > 0) {
        throw std::bad_alloc();
    }
    return copy;
}

PduPointer NewPdu(int command, long version) {
    PduPointer pdu(snmp_pdu_create(command));
    if (!pdu) {
        throw std::bad_alloc();
    }
    pdu->version = version;
    return pdu;
}

void SetCommunity(netsnmp_pdu& pdu, const std::string& community) {
    pdu.community = Duplicate(reinterpret_cast<const u_char*>(community.data()), community.size());
    pdu.community_len = community.size();
}

void AddNotificationBindings(netsnmp_pdu& pdu, const NotificationContent& content) {
    const u_long ticks = content.uptime;
    if (snmp_pdu_add_variable(&pdu, kSysUpTime, std::size(kSysUpTime), ASN_TIMETICKS, &ticks,
                              sizeof ticks) == nullptr ||
        snmp_pdu_add_variable(&pdu, kSnmpTrapOid, std::size(kSnmpTrapOid), ASN_OBJECT_ID,
                              content.trapOid.data(),
                              content.trapOid.size() * sizeof(oid)) == nullptr) {
        throw std::bad_alloc();
    }
}

Datagram Encode(const NetSnmpAccess& library, netsnmp_pdu& pdu) {
    netsnmp_session session;
    snmp_sess_init(&session);
    session.version = pdu.version;

    size_t size = kFirstBufferSize;
    auto* buffer = static_cast<u_char*>(std::malloc(size));
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    size_t used = 0;
    // The library grows the buffer as it needs and leaves the message at its end.
    const int result = snmp_build(&buffer, &size, &used, &session, &pdu);
    Datagram datagram;
    if (result == 0) {
        datagram.assign(buffer + size - used, buffer + size);
    }
    std::free(buffer);
    if (result != 0) {
        throw SnmpAgentError("Cannot encode the trap: " + library.ErrorText(session.s_snmp_errno));
    }
    return datagram;
}

std::vector<unsigned char> LibraryEngineId() {
    size_t length = 0;
    u_char* engineId = snmpv3_generate_engineID(&length);
    if (engineId == nullptr) {
        throw SnmpAgentError("net-snmp has no local engine id");
    }
    std::vector<unsigned char> copy(engineId, engineId + length);
    std::free(engineId);
    return copy;
}

}  // namespace

Datagram EncodeV1Trap(const NetSnmpAccess& library, const V1TrapContent& content) {
    PduPointer pdu = NewPdu(SNMP_MSG_TRAP, SNMP_VERSION_1);
    SetCommunity(*pdu, content.community);
    if (!content.enterprise.empty()) {
        pdu->enterprise = Duplicate(content.enterprise.data(), content.enterprise.size());
        pdu->enterprise_length = content.enterprise.size();
    }
    const std::uint32_t agentAddress =
        content.agentAddress != 0 ? content.agentAddress : get_myaddr();
    std::memcpy(pdu->agent_addr, &agentAddress, sizeof agentAddress);
    pdu->trap_type = content.numbers.generic;
    pdu->specific_type = content.numbers.specific;
    pdu->time = content.uptime;
    return Encode(library, *pdu);
}

Datagram EncodeV2cTrap(const NetSnmpAccess& library, const std::string& community,
                       const NotificationContent& content) {
    PduPointer pdu = NewPdu(SNMP_MSG_TRAP2, SNMP_VERSION_2c);
    SetCommunity(*pdu, community);
    pdu->reqid = snmp_get_next_reqid();
    AddNotificationBindings(*pdu, content);
    return Encode(library, *pdu);
}

Datagram EncodeV3Trap(const NetSnmpAccess& library, const UsmSender& sender,
                      const NotificationContent& content) {
    // The sender of a trap is the authoritative engine, so its own id is the security engine.
    const std::vector<unsigned char> engineId =
        sender.engineId.empty() ? LibraryEngineId() : sender.engineId;
    const UsmTrapContext security(library, engineId, sender.user, sender.password);

    PduPointer pdu = NewPdu(SNMP_MSG_TRAP2, SNMP_VERSION_3);
    pdu->securityModel = SNMP_SEC_MODEL_USM;
    pdu->securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
    pdu->securityName = Duplicate(sender.user.c_str(), sender.user.size() + 1);
    pdu->securityNameLen = sender.user.size();
    pdu->securityEngineID = Duplicate(engineId.data(), engineId.size());
    pdu->securityEngineIDLen = engineId.size();
    pdu->contextEngineID = Duplicate(engineId.data(), engineId.size());
    pdu->contextEngineIDLen = engineId.size();
    pdu->contextName = Duplicate("", 1);
    pdu->contextNameLen = 0;
    pdu->reqid = snmp_get_next_reqid();
    pdu->msgid = snmp_get_next_msgid();
    AddNotificationBindings(*pdu, content);
    return Encode(library, *pdu);
}

}  // namespace trevalon
