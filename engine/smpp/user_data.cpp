#include "engine/smpp/user_data.h"

#include "engine/smpp/gsm_alphabet.h"

namespace trevalon {

namespace {

int HexDigitValue(char16_t character) {
    if (character >= u'0' && character <= u'9') {
        return character - u'0';
    }
    if (character >= u'A' && character <= u'F') {
        return character - u'A' + 10;
    }
    if (character >= u'a' && character <= u'f') {
        return character - u'a' + 10;
    }
    return -1;
}

template <typename Text>
std::vector<std::uint8_t> PairsToOctets(const Text& hex) {
    std::vector<std::uint8_t> octets;
    octets.reserve(hex.size() / 2);
    for (std::size_t index = 0; index + 1 < hex.size(); index += 2) {
        const int high = HexDigitValue(static_cast<char16_t>(hex[index]));
        const int low = HexDigitValue(static_cast<char16_t>(hex[index + 1]));
        octets.push_back(high < 0 || low < 0 ? 0 : static_cast<std::uint8_t>(high * 16 + low));
    }
    return octets;
}

}  // namespace

std::uint8_t DataCodingOf(TtcEncodingType encoding) {
    switch (encoding) {
        case TtcEncodingType::et7BitText:
            return 0x00;
        case TtcEncodingType::et8BitHexadecimal:
            return 0x04;
        case TtcEncodingType::etUCS2Text:
            return 0x08;
        case TtcEncodingType::etISO88591:
            return 0x03;
        case TtcEncodingType::etISO88595:
            return 0x06;
        case TtcEncodingType::etISO88598:
            return 0x07;
    }
    return 0x00;
}

std::vector<std::uint8_t> TextOctets(std::u16string_view text, TtcEncodingType encoding) {
    switch (encoding) {
        case TtcEncodingType::et7BitText:
            return GsmDefaultCodes(text);
        case TtcEncodingType::et8BitHexadecimal:
            return HexToOctets(text);
        case TtcEncodingType::etUCS2Text: {
            std::vector<std::uint8_t> octets;
            octets.reserve(text.size() * 2);
            for (const char16_t unit : text) {
                octets.push_back(static_cast<std::uint8_t>(unit >> 8));
                octets.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            }
            return octets;
        }
        default:
            return {};
    }
}

std::vector<std::uint8_t> HexToOctets(std::string_view hex) {
    return PairsToOctets(hex);
}

std::vector<std::uint8_t> HexToOctets(std::u16string_view hex) {
    return PairsToOctets(hex);
}

std::string OctetsToHex(std::span<const std::uint8_t> octets) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(octets.size() * 2);
    for (const std::uint8_t octet : octets) {
        hex.push_back(kDigits[octet >> 4]);
        hex.push_back(kDigits[octet & 0x0F]);
    }
    return hex;
}

}  // namespace trevalon
