#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/smpp/deliver_sm_content.h"
#include "engine/smpp/smpp_time.h"
#include "engine/smpp/smsc_message.h"
#include "engine/smpp/user_data.h"

namespace trevalon {

struct TSmppHeader {
    std::uint32_t CommandLength = 0;
    std::uint32_t CommandId = 0;
    std::uint32_t CommandStatus = 0;
    std::uint32_t SequenceNumber = 0;
};

// SMPP 3.4 PDUs: big-endian words, a 16-octet header, the builders of everything the client
// sends and the parsers of everything it reads.
//
// Where it departs from SMPP 3.4, on purpose: interface_version is the configured number
// written as one octet; sequence numbers start at 0; C-octet strings have no length limit;
// the status of enquire_link_resp is ignored.
class TtcSMSCMessageSMPP : public TtcSMSCMessage {
  public:
    std::unique_ptr<TtcSMSCMessage> Copy() const override;

    void WriteWord(std::uint16_t value) override;
    void WriteDWord(std::uint32_t value) override;
    std::uint16_t ReadWord(std::size_t& position) const override;
    std::uint32_t ReadDWord(std::size_t& position) const override;

    int HeaderSize() const override { return 16; }
    std::uint32_t PduLength() const override;
    TPduKind Classify() const override;
    bool IsKeepAliveProbe() const override;

    void BuildBind(std::string_view systemId, std::string_view password, std::uint8_t addrTon,
                   std::uint8_t addrNpi, std::string_view systemType, SmppBindMode bindMode,
                   std::uint8_t interfaceVersion, std::string_view addressRange);
    // User data longer than short_message may carry goes out in a message_payload parameter
    // with sm_length 0 instead of overflowing the one-octet length.
    void BuildSubmitSm(std::string_view destination, std::uint8_t destTon, std::uint8_t destNpi,
                       std::string_view originator, std::uint8_t origTon, std::uint8_t origNpi,
                       std::u16string_view text, TtcEncodingType encoding,
                       std::string_view userDataHeaderHex, SubmitOptions options,
                       TDateTime scheduleTime, TDateTime validityTime, std::string_view serviceType,
                       std::string_view optionalParametersHex, bool asciiFrontend);
    void BuildUnbind() override;
    void BuildEnquireLink() override;
    void BuildResponse(const TtcSMSCMessage& request) override;

    void ParseSubmitResp() override;
    void ParseBindResp() override;
    void ParseUnbindResp() override;

    // Reads a deliver_sm; false when its body ends before its fields do.
    bool DecodeDeliverSm(TDeliverSmContent& content) const;

    // The message_id of the last submit_sm_resp parsed.
    const std::string& MessageId() const { return messageId_; }
    std::string ReplyMessageId() const override { return messageId_; }

    TSmppHeader ReadHeader() const;
    void WriteHeader(std::uint32_t commandId, std::uint32_t sequenceNumber);
    // The characters up to the first 0x00 of the text, then one 0x00.
    void WriteCString(std::string_view text);
    // The bytes up to the next 0x00 (consumed, not kept) or the end.
    std::string ReadCString(std::size_t& position) const;

  private:
    void PatchLength();

    std::string messageId_;
};

}  // namespace trevalon
