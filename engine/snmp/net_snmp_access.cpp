#include "engine/snmp/net_snmp_access.h"

#include <clocale>
#include <string>

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

namespace trevalon {
namespace {

std::mutex& LibraryMutex() {
    static std::mutex mutex;
    return mutex;
}

void InitialiseLibrary() {
    // Traps must look the same whatever snmp.conf or persistent files the machine holds.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    // Failures reach the caller as error texts; the library's own log (MIB parsing warnings
    // among it) would only land on the service's standard error.
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
    // init_snmp switches LC_CTYPE to the environment's locale; the rest of the program expects
    // the locale it had.
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string previousLocale = current != nullptr ? current : "C";
    init_snmp("trevalon");
    std::setlocale(LC_CTYPE, previousLocale.c_str());
}

}  // namespace

NetSnmpAccess::NetSnmpAccess() : lock_(LibraryMutex()) {
    static std::once_flag initialised;
    std::call_once(initialised, InitialiseLibrary);
}

std::string NetSnmpAccess::ErrorText(int code) const {
    const char* text = snmp_api_errstring(code);
    return text != nullptr ? text : "SNMP error " + std::to_string(code);
}

std::string NetSnmpAccess::LastErrorText() const {
    return ErrorText(snmp_errno);
}

}  // namespace trevalon
