#include "foundation/local_identity.h"

#include <cerrno>
#include <string_view>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "platform/host_network.h"

namespace trevalon {
namespace {

std::string_view HostNameFailureMessage(int error) {
    switch (error) {
        case EINPROGRESS:
            return catalogue::kNetworkInProgress;
        case ENETDOWN:
            return catalogue::kNetworkDown;
        default:
            return {};
    }
}

}  // namespace

HostLookup SystemHostLookup() {
    return HostLookup{platform::LocalHostName, platform::FirstIPv4Address};
}

void DiscoverLocalIdentity(EngineSettings& settings, const HostLookup& lookup) {
    settings.LocalIP.clear();
    std::string name;
    if (const int error = lookup.hostName(name); error != 0) {
        if (const auto message = HostNameFailureMessage(error); !message.empty()) {
            WriteDiagnostic(message, kLevelWarning);
        }
        return;
    }
    settings.HostName = name;
    std::string error;
    settings.LocalIP = lookup.firstIPv4(name, error);
    if (settings.LocalIP.empty()) {
        WriteDiagnostic(WithErrorText(catalogue::kNetworkConnectionFail, error), kLevelWarning);
    }
}

}  // namespace trevalon
