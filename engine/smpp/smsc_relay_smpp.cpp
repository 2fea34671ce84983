#include "engine/smpp/smsc_relay_smpp.h"

#include "engine/smpp/sequence_counter.h"
#include "engine/smpp/smsc_message_smpp.h"

namespace trevalon {

TtcSMSCRelaySMPP::~TtcSMSCRelaySMPP() {
    Shutdown();
}

std::unique_ptr<TtcSMSCMessage> TtcSMSCRelaySMPP::NewMessage() const {
    return std::make_unique<TtcSMSCMessageSMPP>();
}

std::int32_t TtcSMSCRelaySMPP::Bind(const std::string& systemId, const std::string& password,
                                    std::uint8_t addrTon, std::uint8_t addrNpi,
                                    const std::string& systemType, SmppBindMode bindMode,
                                    std::uint8_t interfaceVersion,
                                    const std::string& addressRange) {
    const std::int32_t started = StartReceiving();
    if (State() != RelayState::rsOpened) {
        return started;
    }
    const std::int32_t result = SendAndWait(ResponseEvent(), [&](TtcSMSCMessage& outgoing) {
        static_cast<TtcSMSCMessageSMPP&>(outgoing).BuildBind(systemId, password, addrTon, addrNpi,
                                                             systemType, bindMode, interfaceVersion,
                                                             addressRange);
    });
    if (result == relay_result::kSuccess &&
        !Transition(RelayState::rsOpened, RelayState::rsBound)) {
        // The link was lost while the answer came in.
        return relay_result::kNoReply;
    }
    return result;
}

std::int32_t TtcSMSCRelaySMPP::SubmitMessage(const std::string& destination, std::uint8_t destTon,
                                             std::uint8_t destNpi, const std::string& originator,
                                             std::uint8_t origTon, std::uint8_t origNpi,
                                             const std::u16string& text, TtcEncodingType encoding,
                                             const std::string& userDataHeaderHex,
                                             SubmitOptions options, std::string& messageId) {
    std::string replyMessageId;
    bool replied = false;
    const std::int32_t result = SendAndWait(
        ResponseEvent(),
        [&](TtcSMSCMessage& outgoing) {
            static_cast<TtcSMSCMessageSMPP&>(outgoing).BuildSubmitSm(
                destination, destTon, destNpi, originator, origTon, origNpi, text, encoding,
                userDataHeaderHex, options, 0, 0, "", "", ASCIIFrontend());
        },
        [this] { return State() == RelayState::rsBound; }, &replyMessageId);
    replied = result != relay_result::kNoReply && result != relay_result::kWrongState;
    std::lock_guard lock(messageIdMutex_);
    if (replied) {
        lastMessageId_ = replyMessageId;
    }
    messageId = lastMessageId_;
    return result;
}

std::string TtcSMSCRelaySMPP::LastMessageId() const {
    std::lock_guard lock(messageIdMutex_);
    return lastMessageId_;
}

std::uint32_t TtcSMSCRelaySMPP::SequenceNumber() const {
    return LastDeliverSequenceNumber();
}

void TtcSMSCRelaySMPP::SetSequenceNumber(std::uint32_t value) {
    SetSequenceCounter(value);
}

bool TtcSMSCRelaySMPP::HandleDeliver(const TtcSMSCMessage& request) {
    const auto* deliver = dynamic_cast<const TtcSMSCMessageSMPP*>(&request);
    TDeliverSmContent content;
    if (deliver == nullptr || !deliver->DecodeDeliverSm(content)) {
        return false;
    }
    if (content.IsStatusReport) {
        if (!OnStatusReportReceived) {
            return false;
        }
        OnStatusReportReceived(*this, content);
        return true;
    }
    if (!OnMessageReceived) {
        return false;
    }
    OnMessageReceived(*this, content);
    return true;
}

}  // namespace trevalon
