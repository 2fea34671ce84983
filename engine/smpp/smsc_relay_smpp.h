#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/smpp/deliver_sm_content.h"
#include "engine/smpp/smpp_definitions.h"
#include "engine/smpp/smsc_relay.h"
#include "engine/smpp/user_data.h"

namespace trevalon {

class TtcSMSCRelaySMPP;

using TMessageReceivedEvent =
    std::function<void(TtcSMSCRelaySMPP& sender, const TDeliverSmContent& message)>;
using TStatusReportReceivedEvent =
    std::function<void(TtcSMSCRelaySMPP& sender, const TDeliverSmContent& report)>;

// The SMPP 3.4 client session: bind, submit one message at a time, unbind.
class TtcSMSCRelaySMPP final : public TtcSMSCRelay {
  public:
    TtcSMSCRelaySMPP() = default;
    ~TtcSMSCRelaySMPP() override;

    // Opens the session (receive and keep-alive threads) and binds; allowed after Connect and
    // again after a refused bind.
    std::int32_t Bind(const std::string& systemId, const std::string& password,
                      std::uint8_t addrTon, std::uint8_t addrNpi, const std::string& systemType,
                      SmppBindMode bindMode, std::uint8_t interfaceVersion,
                      const std::string& addressRange);
    // Builds the submit_sm (taking a sequence number) in any state, sends it only when bound.
    // `messageId` receives the message id of the last submit_sm_resp.
    std::int32_t SubmitMessage(const std::string& destination, std::uint8_t destTon,
                               std::uint8_t destNpi, const std::string& originator,
                               std::uint8_t origTon, std::uint8_t origNpi,
                               const std::u16string& text, TtcEncodingType encoding,
                               const std::string& userDataHeaderHex, SubmitOptions options,
                               std::string& messageId);

    bool ASCIIFrontend() const { return asciiFrontend_.load(); }
    void SetASCIIFrontend(bool asciiFrontend) { asciiFrontend_.store(asciiFrontend); }
    std::string LastMessageId() const;
    // Writing sets the process-wide sequence counter; reading gives the sequence_number of the
    // last deliver_sm decoded.
    std::uint32_t SequenceNumber() const;
    void SetSequenceNumber(std::uint32_t value);

    // Assigned before Connect. A deliver_sm is answered only when a handler takes it.
    TMessageReceivedEvent OnMessageReceived;
    TStatusReportReceivedEvent OnStatusReportReceived;

  protected:
    std::unique_ptr<TtcSMSCMessage> NewMessage() const override;
    bool HandleDeliver(const TtcSMSCMessage& request) override;

  private:
    std::atomic<bool> asciiFrontend_{true};
    mutable std::mutex messageIdMutex_;
    std::string lastMessageId_;
};

}  // namespace trevalon
