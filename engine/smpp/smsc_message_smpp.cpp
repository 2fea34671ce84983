#include "engine/smpp/smsc_message_smpp.h"

#include <algorithm>
#include <vector>

#include "engine/smpp/gsm_alphabet.h"
#include "engine/smpp/sequence_counter.h"

namespace trevalon {

namespace {

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMaxPayloadOctets = 0xFFFF;

std::uint32_t BindCommandOf(SmppBindMode bindMode) {
    switch (bindMode) {
        case bdTransmitter:
            return smpp::kBindTransmitter;
        case bdReceiver:
            return smpp::kBindReceiver;
        default:
            return smpp::kBindTransceiver;
    }
}

std::string TimeField(SubmitOptions options, SubmitOption absolute, SubmitOption relative,
                      TDateTime value) {
    if (value == 0) {
        return {};
    }
    if ((options & absolute) != 0) {
        return AbsoluteSmppTime(value, PlatformTimeZoneBias());
    }
    if ((options & relative) != 0) {
        return RelativeSmppTime(value);
    }
    return {};
}

std::uint8_t DataCodingWithClass(TtcEncodingType encoding, SubmitOptions options) {
    std::uint8_t coding = DataCodingOf(encoding);
    static constexpr struct {
        SubmitOption Option;
        std::uint8_t Bits;
    } kClassBits[] = {{soClassFlag, 0x10},
                      {soClass0, 0xF0},
                      {soClass1, 0xF1},
                      {soClass2, 0xF2},
                      {soClass3, 0xF3}};
    for (const auto& flag : kClassBits) {
        if ((options & flag.Option) != 0) {
            coding = static_cast<std::uint8_t>(coding | flag.Bits);
        }
    }
    return coding;
}

// Septets after a header start on a septet boundary.
int FillBitsAfter(std::size_t headerOctets) {
    const int remainder = static_cast<int>(headerOctets * 8 % 7);
    return remainder == 0 ? 0 : 7 - remainder;
}

}  // namespace

std::unique_ptr<TtcSMSCMessage> TtcSMSCMessageSMPP::Copy() const {
    return std::make_unique<TtcSMSCMessageSMPP>(*this);
}

void TtcSMSCMessageSMPP::WriteWord(std::uint16_t value) {
    WriteByte(static_cast<std::uint8_t>(value >> 8));
    WriteByte(static_cast<std::uint8_t>(value & 0xFF));
}

void TtcSMSCMessageSMPP::WriteDWord(std::uint32_t value) {
    WriteWord(static_cast<std::uint16_t>(value >> 16));
    WriteWord(static_cast<std::uint16_t>(value & 0xFFFF));
}

std::uint16_t TtcSMSCMessageSMPP::ReadWord(std::size_t& position) const {
    const std::uint16_t high = ReadByte(position);
    const std::uint16_t low = ReadByte(position);
    return static_cast<std::uint16_t>((high << 8) | low);
}

std::uint32_t TtcSMSCMessageSMPP::ReadDWord(std::size_t& position) const {
    const std::uint32_t high = ReadWord(position);
    const std::uint32_t low = ReadWord(position);
    return (high << 16) | low;
}

std::uint32_t TtcSMSCMessageSMPP::PduLength() const {
    std::size_t position = 0;
    return Bytes().size() < 4 ? 0 : ReadDWord(position);
}

TSmppHeader TtcSMSCMessageSMPP::ReadHeader() const {
    std::size_t position = 0;
    TSmppHeader header;
    header.CommandLength = ReadDWord(position);
    header.CommandId = ReadDWord(position);
    header.CommandStatus = ReadDWord(position);
    header.SequenceNumber = ReadDWord(position);
    return header;
}

TPduKind TtcSMSCMessageSMPP::Classify() const {
    switch (ReadHeader().CommandId) {
        case smpp::kDeliverSm:
        case smpp::kEnquireLink:
            return TPduKind::pkIncomingRequest;
        case smpp::kBindReceiver | smpp::kResponseBit:
        case smpp::kBindTransmitter | smpp::kResponseBit:
        case smpp::kBindTransceiver | smpp::kResponseBit:
            return TPduKind::pkBindReply;
        case smpp::kSubmitSm | smpp::kResponseBit:
            return TPduKind::pkSubmitReply;
        case smpp::kUnbind | smpp::kResponseBit:
            return TPduKind::pkUnbindReply;
        case smpp::kEnquireLink | smpp::kResponseBit:
            return TPduKind::pkKeepAliveReply;
        case smpp::kGenericNack:
            return TPduKind::pkNegativeAcknowledgement;
        default:
            return TPduKind::pkIgnored;
    }
}

bool TtcSMSCMessageSMPP::IsKeepAliveProbe() const {
    return ReadHeader().CommandId == smpp::kEnquireLink;
}

void TtcSMSCMessageSMPP::WriteHeader(std::uint32_t commandId, std::uint32_t sequenceNumber) {
    WriteDWord(0);
    WriteDWord(commandId);
    WriteDWord(0);
    WriteDWord(sequenceNumber);
}

void TtcSMSCMessageSMPP::PatchLength() {
    const auto length = static_cast<std::uint32_t>(Bytes().size());
    auto& bytes = MutableBytes();
    bytes[0] = static_cast<std::uint8_t>(length >> 24);
    bytes[1] = static_cast<std::uint8_t>(length >> 16);
    bytes[2] = static_cast<std::uint8_t>(length >> 8);
    bytes[3] = static_cast<std::uint8_t>(length);
}

void TtcSMSCMessageSMPP::WriteCString(std::string_view text) {
    WriteString(text.substr(0, text.find('\0')));
    WriteByte(0);
}

std::string TtcSMSCMessageSMPP::ReadCString(std::size_t& position) const {
    const auto& bytes = Bytes();
    const std::size_t start = std::min(position, bytes.size());
    const auto end = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end(), 0);
    std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(start), end);
    // Without a terminator the position ends past the bytes, marking the string as cut off.
    position =
        end == bytes.end() ? bytes.size() + 1 : static_cast<std::size_t>(end - bytes.begin()) + 1;
    return text;
}

void TtcSMSCMessageSMPP::BuildBind(std::string_view systemId, std::string_view password,
                                   std::uint8_t addrTon, std::uint8_t addrNpi,
                                   std::string_view systemType, SmppBindMode bindMode,
                                   std::uint8_t interfaceVersion, std::string_view addressRange) {
    Clear();
    WriteHeader(BindCommandOf(bindMode), NextSequenceNumber());
    WriteCString(systemId);
    WriteCString(password);
    WriteCString(systemType);
    WriteByte(interfaceVersion);
    WriteByte(addrTon);
    WriteByte(addrNpi);
    WriteCString(addressRange);
    PatchLength();
}

void TtcSMSCMessageSMPP::BuildSubmitSm(std::string_view destination, std::uint8_t destTon,
                                       std::uint8_t destNpi, std::string_view originator,
                                       std::uint8_t origTon, std::uint8_t origNpi,
                                       std::u16string_view text, TtcEncodingType encoding,
                                       std::string_view userDataHeaderHex, SubmitOptions options,
                                       TDateTime scheduleTime, TDateTime validityTime,
                                       std::string_view serviceType,
                                       std::string_view optionalParametersHex, bool asciiFrontend) {
    Clear();
    WriteHeader(smpp::kSubmitSm, NextSequenceNumber());
    const std::vector<std::uint8_t> header = HexToOctets(userDataHeaderHex);
    WriteCString(serviceType);
    WriteByte(origTon);
    WriteByte(origNpi);
    WriteCString(originator);
    WriteByte(destTon);
    WriteByte(destNpi);
    WriteCString(destination);
    WriteByte(header.empty() ? 0x00 : 0x40);
    WriteByte(0x00);  // protocol_id
    WriteByte(0x00);  // priority_flag
    WriteCString(TimeField(options, soScheduleAbsolute, soScheduleRelative, scheduleTime));
    WriteCString(TimeField(options, soValidityAbsolute, soValidityRelative, validityTime));
    WriteByte((options & soRegisteredDelivery) != 0 ? 0x01 : 0x00);
    WriteByte(0x00);  // replace_if_present_flag
    WriteByte(DataCodingWithClass(encoding, options));
    WriteByte(0x00);  // sm_default_msg_id

    std::vector<std::uint8_t> userData = header;
    const std::vector<std::uint8_t> textOctets =
        encoding == TtcEncodingType::et7BitText && !asciiFrontend
            ? PackSeptets(GsmDefaultCodes(text), header.empty() ? 0 : FillBitsAfter(header.size()))
            : TextOctets(text, encoding);
    userData.insert(userData.end(), textOctets.begin(), textOctets.end());
    if (userData.size() <= static_cast<std::size_t>(smpp::kMaxShortMessageOctets)) {
        WriteByte(static_cast<std::uint8_t>(userData.size()));
        WriteBytes(userData);
    } else {
        userData.resize(std::min(userData.size(), kMaxPayloadOctets));
        WriteByte(0);
        WriteWord(smpp::kMessagePayloadTag);
        WriteWord(static_cast<std::uint16_t>(userData.size()));
        WriteBytes(userData);
    }
    WriteBytes(HexToOctets(optionalParametersHex));
    PatchLength();
}

void TtcSMSCMessageSMPP::BuildUnbind() {
    Clear();
    WriteHeader(smpp::kUnbind, NextSequenceNumber());
    PatchLength();
}

void TtcSMSCMessageSMPP::BuildEnquireLink() {
    Clear();
    WriteHeader(smpp::kEnquireLink, NextSequenceNumber());
    PatchLength();
}

void TtcSMSCMessageSMPP::BuildResponse(const TtcSMSCMessage& request) {
    std::size_t position = 4;
    const std::uint32_t commandId = request.ReadDWord(position);
    position = 12;
    const std::uint32_t sequenceNumber = request.ReadDWord(position);
    Clear();
    WriteHeader(commandId | smpp::kResponseBit, sequenceNumber);
    if (commandId == smpp::kDeliverSm) {
        WriteByte(0x00);  // empty message_id
    }
    PatchLength();
    SetConnection(request.Connection());
}

void TtcSMSCMessageSMPP::ParseSubmitResp() {
    SetStatus(static_cast<std::int32_t>(ReadHeader().CommandStatus));
    std::size_t position = kHeaderSize;
    messageId_ = Bytes().size() > kHeaderSize ? ReadCString(position) : std::string();
}

void TtcSMSCMessageSMPP::ParseBindResp() {
    SetStatus(static_cast<std::int32_t>(ReadHeader().CommandStatus));
}

void TtcSMSCMessageSMPP::ParseUnbindResp() {
    SetStatus(static_cast<std::int32_t>(ReadHeader().CommandStatus));
}

}  // namespace trevalon
