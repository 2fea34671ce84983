#include "engine/snmp/object_identifier.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <type_traits>

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

#include "engine/snmp/snmp_agent_error.h"

namespace trevalon {
namespace {

static_assert(std::is_same_v<oid, SubIdentifier>);

constexpr SubIdentifier kLargestSubIdentifier = 4294967295UL;
constexpr long kLargestGenericTrap = 6;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A decimal number without sign or blanks that is at most `largest`.
bool ReadNumber(const std::string& text, std::size_t begin, std::size_t end, long largest,
                long& value) {
    if (begin >= end) {
        return false;
    }
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    if (*first == '-') {
        return false;
    }
    const auto [stop, error] = std::from_chars(first, last, value);
    return error == std::errc() && stop == last && value <= largest;
}

}  // namespace

std::vector<SubIdentifier> ParseObjectId(const NetSnmpAccess& library, const std::string& text,
                                         const std::string& what) {
    oid parsed[MAX_OID_LEN];
    size_t length = MAX_OID_LEN;
    if (read_objid(text.c_str(), parsed, &length) == 0) {
        throw SnmpAgentError("Bad " + what + " " + Quoted(text) + ": " + library.LastErrorText());
    }
    if (length < 2) {
        throw SnmpAgentError("Bad " + what + " " + Quoted(text) +
                             ": an OID has at least two sub-identifiers");
    }
    for (size_t index = 0; index < length; ++index) {
        if (parsed[index] > kLargestSubIdentifier) {
            throw SnmpAgentError("Bad " + what + " " + Quoted(text) +
                                 ": sub-identifier above 4294967295");
        }
    }
    return std::vector<SubIdentifier>(parsed, parsed + length);
}

V1TrapNumbers ParseV1TrapNumbers(const std::string& text) {
    V1TrapNumbers numbers;
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos ||
        !ReadNumber(text, 0, dot, kLargestGenericTrap, numbers.generic) ||
        !ReadNumber(text, dot + 1, text.size(), std::numeric_limits<std::int32_t>::max(),
                    numbers.specific)) {
        throw SnmpAgentError("Bad trap OID " + Quoted(text) +
                             ": SNMPv1 expects GenericTrap.SpecificTrap, the generic trap 0 to 6");
    }
    return numbers;
}

}  // namespace trevalon
