#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace trevalon {

// The GSM 03.38 tables as UTF-16 characters, built once per process: the default alphabet
// (its escape position holds a space) and the extension table reached through the escape,
// which holds ^ { } \ [ ~ ] and the euro sign and spaces elsewhere.
class TtcGSMAlphabetPool {
  public:
    using Table = std::array<char16_t, 128>;

    static const Table& DefaultAlphabet();
    static const Table& Extension();
    // The index of a character in a table, or -1.
    static int Find(const Table& table, char16_t character);
};

inline constexpr std::uint8_t kGsmEscape = 0x1B;

// The default-alphabet code of every character, one per octet: an extension character takes
// the escape and its index, a character in neither table becomes a space.
std::vector<std::uint8_t> GsmDefaultCodes(std::u16string_view text);

// Packs 7-bit codes into octets, low bits first, after `fillBits` zero bits (0..6).
std::vector<std::uint8_t> PackSeptets(const std::vector<std::uint8_t>& codes, int fillBits);

}  // namespace trevalon
