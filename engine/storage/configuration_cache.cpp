#include "engine/storage/configuration_cache.h"

namespace trevalon {
namespace {

const std::string kNoFlag;

}  // namespace

std::string_view AlarmMethodType(AlarmMethod method) {
    switch (method) {
        case AlarmMethod::Email:
            return "Email";
        case AlarmMethod::Sms:
            return "SMS";
        case AlarmMethod::SmsByHttp:
            return "SMS by HTTP";
        case AlarmMethod::SysLog:
            return "SysLog";
        case AlarmMethod::Snmp:
            return "SNMP";
        case AlarmMethod::Snpp:
            return "SNPP";
    }
    return {};
}

const std::string& FilterRule::FacilityFlag(TIdSyslogFacility value) const {
    const int code = FacilityToWireCode(value);
    return code < 0 ? kNoFlag : facility[static_cast<std::size_t>(code)];
}

const std::string& FilterRule::SeverityFlag(TIdSyslogSeverity value) const {
    const int code = SeverityToWireCode(value);
    return code < 0 ? kNoFlag : severity[static_cast<std::size_t>(code)];
}

}  // namespace trevalon
