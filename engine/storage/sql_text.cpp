#include <array>

#include "engine/storage/database_client.h"

namespace trevalon {
namespace {

// What each byte becomes inside a quoted value; nullptr: itself. Byte by byte is safe for UTF-8:
// no byte of a multi-byte sequence is below 0x80.
constexpr std::array<const char*, 256> kEscapes = [] {
    std::array<const char*, 256> escapes{};
    escapes[static_cast<unsigned char>('\0')] = "\\0";
    escapes[static_cast<unsigned char>('\n')] = "\\n";
    escapes[static_cast<unsigned char>('\r')] = "\\r";
    escapes[static_cast<unsigned char>('\\')] = "\\\\";
    escapes[static_cast<unsigned char>('\'')] = "\\'";
    escapes[static_cast<unsigned char>('"')] = "\\\"";
    escapes[static_cast<unsigned char>('\x1a')] = "\\Z";
    return escapes;
}();

void AppendEscaped(std::string& out, std::string_view value) {
    std::size_t plain = 0;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (const char* escape = kEscapes[static_cast<unsigned char>(value[at])]) {
            out.append(value, plain, at - plain);
            out += escape;
            plain = at + 1;
        }
    }
    out.append(value, plain);
}

}  // namespace

std::string SqlEscaped(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size() + value.size() / 8 + 2);
    AppendEscaped(escaped, value);
    return escaped;
}

std::string SqlQuoted(std::string_view value) {
    std::string quoted;
    quoted.reserve(value.size() + value.size() / 8 + 4);
    AppendSqlQuoted(quoted, value);
    return quoted;
}

void AppendSqlQuoted(std::string& text, std::string_view value) {
    text += '"';
    AppendEscaped(text, value);
    text += '"';
}

}  // namespace trevalon
