#include "engine/storage/database_client.h"

namespace trevalon {

std::string SqlEscaped(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size() + value.size() / 8 + 2);
    // Byte by byte is safe for UTF-8: no byte of a multi-byte sequence is below 0x80.
    for (const char c : value) {
        switch (c) {
            case '\0':
                escaped += "\\0";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\\':
                escaped += "\\\\";
                break;
            case '\'':
                escaped += "\\'";
                break;
            case '"':
                escaped += "\\\"";
                break;
            case '\x1a':
                escaped += "\\Z";
                break;
            default:
                escaped += c;
                break;
        }
    }
    return escaped;
}

std::string SqlQuoted(std::string_view value) {
    std::string quoted = "\"";
    quoted += SqlEscaped(value);
    quoted += '"';
    return quoted;
}

}  // namespace trevalon
