#pragma once

#include <cstdint>
#include <string>

#include "engine/smpp/user_data.h"

namespace trevalon {

// What a deliver_sm carries: a message, or a delivery receipt with its state and failure.
struct TDeliverSmContent {
    bool IsStatusReport = false;
    std::string Destination;
    std::uint8_t DestTON = 0;
    std::uint8_t DestNPI = 0;
    std::string Originator;
    std::uint8_t OrigTON = 0;
    std::uint8_t OrigNPI = 0;
    std::u16string SMText;
    TtcEncodingType Encoding = TtcEncodingType::et7BitText;
    // Upper-case hexadecimal.
    std::string UserDataHeader;
    std::string OptionalParameters;
    // From the receipt's "id", "stat" and "err" items.
    std::string MessageID;
    std::uint8_t SMStatus = 0;
    int FailureReason = -1;
};

// Receipt items of a text ("id:… stat:DELIVRD err:000 …").
struct TReceiptItems {
    std::string Id;
    std::uint8_t State = 7;
    int FailureReason = -1;
    // How many of "id", "stat" and "err" were found.
    int Recognised = 0;
};

// Scans key:value items; a key runs to the next ':', a value to the next space, both trimmed.
// States: DELIVRD 2, EXPIRED 3, DELETED 4, UNDELIV 5, ACCEPTD 6, UNKNOWN 7, REJECTD 8, others 7.
TReceiptItems ReadReceiptItems(std::u16string_view text);

}  // namespace trevalon
