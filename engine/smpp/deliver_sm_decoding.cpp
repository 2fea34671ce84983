#include <span>
#include <utility>
#include <vector>

#include "engine/smpp/sequence_counter.h"
#include "engine/smpp/smsc_message_smpp.h"

namespace trevalon {

namespace {

constexpr std::size_t kHeaderSize = 16;

std::u16string OctetsAsText(std::span<const std::uint8_t> octets, TtcEncodingType encoding) {
    std::u16string text;
    if (encoding == TtcEncodingType::et8BitHexadecimal) {
        for (const char character : OctetsToHex(octets)) {
            text.push_back(static_cast<char16_t>(character));
        }
    } else if (encoding == TtcEncodingType::etUCS2Text) {
        for (std::size_t index = 0; index + 1 < octets.size(); index += 2) {
            text.push_back(static_cast<char16_t>((octets[index] << 8) | octets[index + 1]));
        }
    } else {
        for (const std::uint8_t octet : octets) {
            text.push_back(static_cast<char16_t>(octet));
        }
    }
    return text;
}

TtcEncodingType EncodingOf(std::uint8_t dataCoding) {
    if ((dataCoding & 0x02) != 0 || (dataCoding & 0x04) != 0) {
        return TtcEncodingType::et8BitHexadecimal;
    }
    if ((dataCoding & 0x08) != 0) {
        return TtcEncodingType::etUCS2Text;
    }
    return TtcEncodingType::et7BitText;
}

}  // namespace

bool TtcSMSCMessageSMPP::DecodeDeliverSm(TDeliverSmContent& content) const {
    content = TDeliverSmContent{};
    RecordDeliverSequenceNumber(ReadHeader().SequenceNumber);
    const std::size_t size = Bytes().size();
    std::size_t position = kHeaderSize;
    ReadCString(position);  // service_type
    content.OrigTON = ReadByte(position);
    content.OrigNPI = ReadByte(position);
    content.Originator = ReadCString(position);
    content.DestTON = ReadByte(position);
    content.DestNPI = ReadByte(position);
    content.Destination = ReadCString(position);
    const std::uint8_t esmClass = ReadByte(position);
    ReadByte(position);     // protocol_id
    ReadByte(position);     // priority_flag
    ReadCString(position);  // schedule_delivery_time
    ReadCString(position);  // validity_period
    ReadByte(position);     // registered_delivery
    ReadByte(position);     // replace_if_present_flag
    const std::uint8_t dataCoding = ReadByte(position);
    ReadByte(position);  // sm_default_msg_id
    const std::uint8_t smLength = ReadByte(position);
    std::vector<std::uint8_t> userData = ReadBytes(position, smLength);
    if (position > size) {
        return false;
    }

    const std::size_t parametersStart = position;
    bool parametersComplete = true;
    bool payloadTaken = false;
    while (position < size) {
        if (position + 4 > size) {
            parametersComplete = false;
            break;
        }
        const std::uint16_t tag = ReadWord(position);
        const std::uint16_t length = ReadWord(position);
        if (position + length > size) {
            parametersComplete = false;
            break;
        }
        std::vector<std::uint8_t> value = ReadBytes(position, length);
        if (tag == smpp::kMessagePayloadTag && userData.empty() && !payloadTaken) {
            userData = std::move(value);
            payloadTaken = true;
        }
    }
    if (!parametersComplete) {
        return false;
    }
    content.OptionalParameters =
        OctetsToHex(std::span(Bytes()).subspan(parametersStart, size - parametersStart));

    const std::span<const std::uint8_t> octets(userData);
    std::size_t headerLength = 0;
    if ((esmClass & 0x40) != 0 && !octets.empty()) {
        headerLength = std::min<std::size_t>(1 + octets[0], octets.size());
        content.UserDataHeader = OctetsToHex(octets.first(headerLength));
    }
    bool receipt = (esmClass & 0x04) != 0 || (esmClass & 0x20) != 0;
    content.Encoding = EncodingOf(dataCoding);
    content.SMText = OctetsAsText(octets.subspan(headerLength),
                                  receipt ? TtcEncodingType::et7BitText : content.Encoding);

    const TReceiptItems items = ReadReceiptItems(content.SMText);
    receipt = receipt || items.Recognised == 3;
    content.IsStatusReport = receipt;
    if (receipt) {
        content.MessageID = items.Id;
        content.SMStatus = items.State;
        content.FailureReason = items.FailureReason;
        std::swap(content.Originator, content.Destination);
        std::swap(content.OrigTON, content.DestTON);
        std::swap(content.OrigNPI, content.DestNPI);
    }
    return true;
}

}  // namespace trevalon
