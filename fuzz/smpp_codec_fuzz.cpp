// Feeds arbitrary bytes to the SMPP codec as an SMSC would send them. The first byte picks the
// form: even, the rest is the byte stream of a connection, framed PDU by PDU and each PDU
// classified, parsed and answered; odd, the rest is the body of one deliver_sm.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/smpp/receive_buffer.h"
#include "engine/smpp/smpp_definitions.h"
#include "engine/smpp/smsc_message_smpp.h"

namespace {

using trevalon::TDeliverSmContent;
using trevalon::TExtractResult;
using trevalon::TPduKind;
using trevalon::TtcReceiveBuffer;
using trevalon::TtcSMSCMessageSMPP;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Handle(TtcSMSCMessageSMPP& pdu) {
    const std::uint32_t commandId = pdu.ReadHeader().CommandId;
    switch (pdu.Classify()) {
        case TPduKind::pkIncomingRequest: {
            if (commandId == trevalon::smpp::kDeliverSm) {
                TDeliverSmContent content;
                pdu.DecodeDeliverSm(content);
            }
            TtcSMSCMessageSMPP answer;
            answer.BuildResponse(pdu);
            Check(answer.Bytes().size() == 16 || answer.Bytes().size() == 17);
            break;
        }
        case TPduKind::pkSubmitReply:
            pdu.ParseSubmitResp();
            Check(pdu.MessageId().size() <= pdu.Bytes().size());
            break;
        case TPduKind::pkBindReply:
            pdu.ParseBindResp();
            break;
        case TPduKind::pkUnbindReply:
            pdu.ParseUnbindResp();
            break;
        case TPduKind::pkKeepAliveReply:
            pdu.ParseEnquireLinkResp();
            Check(pdu.Status() == 0);
            break;
        case TPduKind::pkNegativeAcknowledgement:
        case TPduKind::pkIgnored:
            break;
    }
}

void FrameStream(const std::uint8_t* data, std::size_t size) {
    TtcReceiveBuffer buffer;
    TtcSMSCMessageSMPP pdu;
    std::size_t offset = 0;
    for (;;) {
        const int appended = buffer.Append(
            data + offset, static_cast<int>(std::min<std::size_t>(size - offset, 8192)));
        offset += static_cast<std::size_t>(appended);
        const int before = buffer.BytesRead();
        const TExtractResult result = pdu.ExtractFrom(buffer);
        if (result == TExtractResult::erInvalid) {
            return;
        }
        if (result == TExtractResult::erIncomplete) {
            Check(buffer.BytesRead() == before);
            // A full buffer always holds a whole PDU or an invalid length.
            Check(before < TtcReceiveBuffer::kCapacity);
            if (offset == size) {
                return;
            }
            continue;
        }
        Check(pdu.Bytes().size() == pdu.PduLength());
        Check(pdu.Bytes().size() >= 16 && pdu.Bytes().size() <= 8192);
        Check(buffer.BytesRead() == before - static_cast<int>(pdu.Bytes().size()));
        Handle(pdu);
    }
}

void DecodeDeliverBody(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = std::min<std::size_t>(size, 8192 - 16) + 16;
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(length >> 24),
                                       static_cast<std::uint8_t>(length >> 16),
                                       static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length),
                                       0,
                                       0,
                                       0,
                                       5,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       1};
    bytes.insert(bytes.end(), data, data + (length - 16));
    TtcReceiveBuffer buffer;
    buffer.Append(bytes.data(), static_cast<int>(bytes.size()));
    TtcSMSCMessageSMPP pdu;
    Check(pdu.ExtractFrom(buffer) == TExtractResult::erComplete);
    TDeliverSmContent content;
    if (pdu.DecodeDeliverSm(content)) {
        Check(content.OptionalParameters.size() % 2 == 0);
        Check(content.UserDataHeader.size() % 2 == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    if ((data[0] & 1) == 0) {
        FrameStream(data + 1, size - 1);
    } else {
        DecodeDeliverBody(data + 1, size - 1);
    }
    return 0;
}
