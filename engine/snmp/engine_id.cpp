#include "engine/snmp/engine_id.h"

#include "engine/snmp/snmp_agent_error.h"

namespace trevalon {
namespace {

constexpr std::size_t kShortestEngineId = 5;
constexpr std::size_t kLongestEngineId = 32;

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::vector<unsigned char> ParseEngineId(const std::string& text) {
    const bool prefixed = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = prefixed ? text.substr(2) : text;
    const auto fail = [&text](const std::string& reason) {
        return SnmpAgentError("Bad local engine id \"" + text + "\": " + reason);
    };
    if (digits.size() % 2 != 0) {
        throw fail("an odd number of hex digits");
    }
    std::vector<unsigned char> octets;
    for (std::size_t index = 0; index < digits.size(); index += 2) {
        const int high = HexValue(digits[index]);
        const int low = HexValue(digits[index + 1]);
        if (high < 0 || low < 0) {
            throw fail("hex digits expected");
        }
        octets.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    if (octets.size() < kShortestEngineId || octets.size() > kLongestEngineId) {
        throw fail("an engine id has 5 to 32 octets");
    }
    return octets;
}

}  // namespace trevalon
