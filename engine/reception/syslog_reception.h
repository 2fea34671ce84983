#pragma once

#include <string>
#include <string_view>

#include "engine/reception/reception_schedule.h"
#include "engine/reception/tcp_syslog_listener.h"
#include "engine/reception/udp_syslog_listener.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// Where received messages go: the per-message pipeline.
class SyslogMessageSink {
  public:
    virtual ~SyslogMessageSink() = default;
    virtual void OnDatagram(std::string_view datagram, const std::string& senderAddress) = 0;
    virtual void OnStreamMessage(std::string_view message, const std::string& peerAddress) = 0;
    // A receiver begins, goes on or ends handling messages that arrived together.
    virtual void OnBurst(BurstEvent event) = 0;
};

// The two listeners of the engine and the operations that switch them, on the owner thread.
class SyslogReception final : public ScheduledReception {
  public:
    // `settings` must outlive the reception.
    SyslogReception(SyslogMessageSink& sink, const PublishedSettings& settings);

    // Starts the listeners enabled in the current settings that are not running yet, and logs
    // "Trevalon starts.". A port
    // setting that is not a number raises std::invalid_argument; a port that cannot be bound
    // raises std::system_error.
    void StartReceivers() override;
    // Stops both listeners, closing every TCP connection, and logs "Trevalon stops.".
    void StopReceivers() override;
    bool UdpListenerActive() const override { return udp_.Active(); }
    bool TcpListenerActive() const { return tcp_.Active(); }

    std::uint16_t UdpPort() const { return udp_.BoundPort(); }
    std::uint16_t TcpPort() const { return tcp_.BoundPort(); }

  private:
    const PublishedSettings& settings_;
    UdpSyslogListener udp_;
    TcpSyslogListener tcp_;
};

// The integer value of a port setting; raises std::invalid_argument for anything else.
std::uint16_t PortSetting(const std::string& text);

}  // namespace trevalon
