#include "engine/smpp/receive_buffer.h"

#include <algorithm>
#include <cstring>

namespace trevalon {

void TtcReceiveBuffer::Commit(int count) {
    bytesRead_ += std::clamp(count, 0, FreeSpace());
}

int TtcReceiveBuffer::Append(const std::uint8_t* data, int count) {
    const int taken = std::clamp(count, 0, FreeSpace());
    if (taken > 0) {
        std::memcpy(FreeArea(), data, static_cast<std::size_t>(taken));
        bytesRead_ += taken;
    }
    return taken;
}

int TtcReceiveBuffer::PeekData(void* destination, int n) const {
    const int count = std::clamp(n, 0, bytesRead_);
    if (count > 0) {
        std::memcpy(destination, bytes_.data(), static_cast<std::size_t>(count));
    }
    return count;
}

int TtcReceiveBuffer::ReceiveData(void* destination, int n) {
    const int count = PeekData(destination, n);
    std::memmove(bytes_.data(), bytes_.data() + count,
                 static_cast<std::size_t>(bytesRead_ - count));
    bytesRead_ -= count;
    return count;
}

}  // namespace trevalon
