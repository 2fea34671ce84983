#include "engine/alarms/connection_error_detail.h"

#include "engine/alarms/line_client.h"
#include "foundation/catalogue.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

std::string Prefix(std::string_view host, int port, std::string_view methodError) {
    std::string detail = "[";
    detail += host;
    detail += ":" + std::to_string(port);
    detail += methodError;
    return detail;
}

}  // namespace

std::string ConnectionErrorDetail(std::string_view host, int port, std::string_view methodError,
                                  const std::exception& error) {
    std::string detail = Prefix(host, port, methodError);
    if (const auto* lineError = dynamic_cast<const LineClientError*>(&error)) {
        switch (lineError->Failure()) {
            case LineFailure::HostRequired:
                return detail += catalogue::kHostRequired;
            case LineFailure::PortRequired:
                return detail += catalogue::kPortRequired;
            case LineFailure::SocketError:
                return detail += catalogue::kInvalidHost;
            case LineFailure::ConnectTimedOut:
            case LineFailure::InvalidPort:
                return detail += catalogue::kInvalidPort;
            default:
                break;
        }
    }
    return detail += TrimBlanks(error.what()) + "]";
}

std::string NotConnectedDetail(std::string_view host, int port, std::string_view methodError) {
    if (methodError.ends_with(':')) {
        methodError.remove_suffix(1);
    }
    return Prefix(host, port, methodError) + "]";
}

}  // namespace trevalon
