#include "engine/smtp/base64.h"

#include <cstdint>

namespace trevalon {

std::string Base64Encode(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t index = 0; index < bytes.size(); index += 3) {
        const std::size_t left = bytes.size() - index;
        std::uint32_t group = static_cast<std::uint8_t>(bytes[index]) << 16;
        if (left > 1) {
            group |= static_cast<std::uint8_t>(bytes[index + 1]) << 8;
        }
        if (left > 2) {
            group |= static_cast<std::uint8_t>(bytes[index + 2]);
        }
        encoded += kAlphabet[(group >> 18) & 0x3F];
        encoded += kAlphabet[(group >> 12) & 0x3F];
        encoded += left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        encoded += left > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    return encoded;
}

}  // namespace trevalon
