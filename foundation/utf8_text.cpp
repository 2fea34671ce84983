#include "foundation/utf8_text.h"

namespace trevalon {

bool IsPlainUtf8(std::string_view text) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const auto continuation = [&](std::size_t at) {
        return at < text.size() && (byte(at) & 0xC0) == 0x80;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        const unsigned char lead = byte(at);
        if (lead == 0) {
            return false;
        }
        if (lead < 0x80) {
            ++at;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (!continuation(at + 1) || byte(at + 1) < low || byte(at + 1) > high) {
            return false;
        }
        for (std::size_t next = 2; next < length; ++next) {
            if (!continuation(at + next)) {
                return false;
            }
        }
        at += length;
    }
    return true;
}

}  // namespace trevalon
