#include "engine/storage/configuration_cache.h"

#include <utility>

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

ConfigurationCache::ConfigurationCache()
    : current_(std::make_shared<const ConfigurationSnapshot>()) {}

std::shared_ptr<const ConfigurationSnapshot> ConfigurationCache::Snapshot() const {
    std::lock_guard lock(readMutex_);
    return current_;
}

void ConfigurationCache::Publish(std::shared_ptr<const ConfigurationSnapshot> next) {
    std::shared_ptr<const ConfigurationSnapshot> previous;
    {
        std::lock_guard lock(readMutex_);
        previous = std::exchange(current_, std::move(next));
    }
    // `previous` is released outside the lock: freeing a large rule array must not hold up
    // the readers.
}

ConfigurationCache& TheConfigurationCache() {
    static ConfigurationCache cache;
    return cache;
}

}  // namespace trevalon
