#pragma once

#include <array>
#include <cstdint>

namespace trevalon {

// The bytes a client has received and not yet taken, at most 8192.
class TtcReceiveBuffer {
  public:
    static constexpr int kCapacity = 8192;

    int BytesRead() const { return bytesRead_; }
    int FreeSpace() const { return kCapacity - bytesRead_; }

    // Where the next received bytes go, and how many arrived there.
    std::uint8_t* FreeArea() { return bytes_.data() + bytesRead_; }
    void Commit(int count);
    // Copies as many of `count` bytes as fit; the number copied.
    int Append(const std::uint8_t* data, int count);

    // Copies the first min(n, BytesRead) bytes; the buffer is not changed.
    int PeekData(void* destination, int n) const;
    // Takes the first min(n, BytesRead) bytes out; the rest moves to the front.
    int ReceiveData(void* destination, int n);

  private:
    std::array<std::uint8_t, kCapacity> bytes_{};
    int bytesRead_ = 0;
};

}  // namespace trevalon
