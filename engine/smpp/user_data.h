#pragma once

// The short message's user data: the text in the coding the SMSC is asked for.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trevalon {

enum class TtcEncodingType {
    et7BitText,
    et8BitHexadecimal,
    etUCS2Text,
    etISO88591,
    etISO88595,
    etISO88598
};

// The data_coding code of an encoding; 0x00 for an unknown value.
std::uint8_t DataCodingOf(TtcEncodingType encoding);

// The octets a text goes out as: GSM default-alphabet codes one per octet, hexadecimal digit
// pairs, or UTF-16 units high octet first. The ISO encodings and unknown values give none.
std::vector<std::uint8_t> TextOctets(std::u16string_view text, TtcEncodingType encoding);

// Reads a text two characters at a time: each pair of hexadecimal digits is one octet, any other
// pair is 0x00, and a last single character is dropped.
std::vector<std::uint8_t> HexToOctets(std::string_view hex);
std::vector<std::uint8_t> HexToOctets(std::u16string_view hex);

// Upper-case hexadecimal, two digits per octet.
std::string OctetsToHex(std::span<const std::uint8_t> octets);

}  // namespace trevalon
