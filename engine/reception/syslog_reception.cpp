#include "engine/reception/syslog_reception.h"

#include <stdexcept>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "platform/ini_file.h"

namespace trevalon {
namespace {

void LogConnectionError() {
    WriteDiagnostic(
        WithErrorText(catalogue::kPlaceTcpReceiver, catalogue::kTcpClosedWhileReceiving),
        kLevelError);
}

void LogRefusedConnections(std::size_t open) {
    WriteDiagnostic("TCP SysLog connections refused: " + std::to_string(open) +
                        " connections are open already.",
                    kLevelWarning);
}

}  // namespace

std::uint16_t PortSetting(const std::string& text) {
    const auto value = platform::ParseProfileInteger(text);
    if (!value || *value < 0 || *value > 65535) {
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    }
    return static_cast<std::uint16_t>(*value);
}

SyslogReception::SyslogReception(SyslogMessageSink& sink, const PublishedSettings& settings)
    : settings_(settings),
      udp_([&sink](std::string_view datagram,
                   const std::string& sender) { sink.OnDatagram(datagram, sender); },
           [&sink](BurstEvent event) { sink.OnBurst(event); }),
      tcp_([&sink](std::string_view message,
                   const std::string& peer) { sink.OnStreamMessage(message, peer); },
           LogConnectionError, LogRefusedConnections,
           [&sink](BurstEvent event) { sink.OnBurst(event); }) {}

void SyslogReception::StartReceivers() {
    const SettingsSnapshot current = settings_.Current();
    const EngineSettings::SystemSection& settings = current->System;
    if (settings.SysLogUDPEnable && !udp_.Active()) {
        udp_.Activate(PortSetting(settings.SysLogPort),
                      static_cast<std::size_t>(settings.SysLogBufferSize));
    }
    if (settings.SysLogTCPEnable && !tcp_.Active()) {
        tcp_.Activate(PortSetting(settings.SysLogTCPPort),
                      std::chrono::milliseconds(settings.SysLogTCPTimeout));
    }
    WriteDiagnostic(catalogue::kReceptionStarts, kLevelInfo);
}

void SyslogReception::StopReceivers() {
    udp_.Deactivate();
    WriteDiagnostic(catalogue::kReceptionStops, kLevelInfo);
    tcp_.Deactivate();
}

}  // namespace trevalon
