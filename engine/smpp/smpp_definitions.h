#pragma once

// The SMPP 3.4 command ids and optional parameter tags the client uses.

#include <cstdint>

namespace trevalon {

namespace smpp {

inline constexpr std::uint32_t kGenericNack = 0x80000000;
inline constexpr std::uint32_t kBindReceiver = 0x00000001;
inline constexpr std::uint32_t kBindTransmitter = 0x00000002;
inline constexpr std::uint32_t kSubmitSm = 0x00000004;
inline constexpr std::uint32_t kDeliverSm = 0x00000005;
inline constexpr std::uint32_t kUnbind = 0x00000006;
inline constexpr std::uint32_t kBindTransceiver = 0x00000009;
inline constexpr std::uint32_t kEnquireLink = 0x00000015;
inline constexpr std::uint32_t kResponseBit = 0x80000000;

inline constexpr std::uint16_t kMessagePayloadTag = 0x0424;
// The most octets SMPP 3.4 lets short_message carry.
inline constexpr int kMaxShortMessageOctets = 254;

}  // namespace smpp

enum SmppBindMode : int { bdTransceiver = 0, bdTransmitter = 1, bdReceiver = 2 };

// Flags of the submission options of submit_sm.
enum SubmitOption : std::uint16_t {
    soRegisteredDelivery = 0x0001,
    soClassFlag = 0x0002,
    soScheduleRelative = 0x0004,
    soScheduleAbsolute = 0x0008,
    soValidityRelative = 0x0010,
    soValidityAbsolute = 0x0020,
    soClass0 = 0x0040,
    soClass1 = 0x0080,
    soClass2 = 0x0100,
    soClass3 = 0x0200,
};
using SubmitOptions = std::uint16_t;

// What a received PDU asks of the session.
enum class TPduKind {
    pkIgnored,
    pkIncomingRequest,
    pkBindReply,
    pkSubmitReply,
    pkUnbindReply,
    pkKeepAliveReply,
    pkNegativeAcknowledgement,
};

}  // namespace trevalon
