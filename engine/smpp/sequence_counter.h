#pragma once

#include <cstdint>

namespace trevalon {

// The process-wide sequence counter every PDU builder draws from. It starts at 0; after
// 0x7FFFFFFF has been handed out, numbering goes on at 1.
std::uint32_t NextSequenceNumber();
void SetSequenceCounter(std::uint32_t value);

// The sequence_number of the last deliver_sm decoded in this process.
std::uint32_t LastDeliverSequenceNumber();
void RecordDeliverSequenceNumber(std::uint32_t value);

}  // namespace trevalon
