#include "engine/smpp/smsc_message.h"

#include <algorithm>

namespace trevalon {

void TtcSMSCMessage::WriteWord(std::uint16_t value) {
    WriteByte(static_cast<std::uint8_t>(value & 0xFF));
    WriteByte(static_cast<std::uint8_t>(value >> 8));
}

void TtcSMSCMessage::WriteDWord(std::uint32_t value) {
    WriteWord(static_cast<std::uint16_t>(value & 0xFFFF));
    WriteWord(static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t TtcSMSCMessage::ReadWord(std::size_t& position) const {
    const std::uint16_t low = ReadByte(position);
    const std::uint16_t high = ReadByte(position);
    return static_cast<std::uint16_t>(low | (high << 8));
}

std::uint32_t TtcSMSCMessage::ReadDWord(std::size_t& position) const {
    const std::uint32_t low = ReadWord(position);
    const std::uint32_t high = ReadWord(position);
    return low | (high << 16);
}

TExtractResult TtcSMSCMessage::ExtractFrom(TtcReceiveBuffer& buffer) {
    const int headerSize = HeaderSize();
    if (headerSize == 0) {
        return TExtractResult::erIncomplete;
    }
    bytes_.resize(static_cast<std::size_t>(headerSize));
    if (buffer.PeekData(bytes_.data(), headerSize) < headerSize) {
        bytes_.clear();
        return TExtractResult::erIncomplete;
    }
    const std::uint32_t length = PduLength();
    if (length < static_cast<std::uint32_t>(headerSize) ||
        length > static_cast<std::uint32_t>(TtcReceiveBuffer::kCapacity)) {
        return TExtractResult::erInvalid;
    }
    if (buffer.BytesRead() < static_cast<int>(length)) {
        bytes_.clear();
        return TExtractResult::erIncomplete;
    }
    bytes_.resize(length);
    buffer.ReceiveData(bytes_.data(), static_cast<int>(length));
    return TExtractResult::erComplete;
}

void TtcSMSCMessage::WriteBytes(const std::vector<std::uint8_t>& values) {
    bytes_.insert(bytes_.end(), values.begin(), values.end());
}

void TtcSMSCMessage::WriteString(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

std::uint8_t TtcSMSCMessage::ReadByte(std::size_t& position) const {
    const std::uint8_t value = position < bytes_.size() ? bytes_[position] : 0;
    ++position;
    return value;
}

std::vector<std::uint8_t> TtcSMSCMessage::ReadBytes(std::size_t& position,
                                                    std::size_t count) const {
    const std::size_t start = std::min(position, bytes_.size());
    const std::size_t available = std::min(count, bytes_.size() - start);
    std::vector<std::uint8_t> values(
        bytes_.begin() + static_cast<std::ptrdiff_t>(start),
        bytes_.begin() + static_cast<std::ptrdiff_t>(start + available));
    position += count;
    return values;
}

}  // namespace trevalon
