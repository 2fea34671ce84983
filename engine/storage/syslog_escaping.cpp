#include "engine/storage/syslog_escaping.h"

namespace trevalon {
namespace {

constexpr std::string_view kAlwaysKept = "()+-<=>[]{}|";
constexpr std::string_view kMode1Punctuation = " !#$%&*,.:?@^_~";

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsRemovableControl(char c) {
    return c == '\b' || c == '\n' || c == '\r' || c == '\t' || c == '\x1a';
}

}  // namespace

std::string EscapeSyslogContent(std::string_view content, ContentEscaping escaping) {
    std::string escaped;
    escaped.reserve(content.size() + 8);
    for (const char c : content) {
        if (c == ';' || c == '\'' || c == '"') {
            escaped += ' ';
        } else if (c == '\\') {
            escaped += "\\\\";
        } else if (IsRemovableControl(c)) {
            if (escaping == ContentEscaping::kManager) {
                escaped += ' ';
            }
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string CleanSyslogMessage(std::string_view message, MessageCleaning mode) {
    std::string cleaned;
    cleaned.reserve(message.size());
    for (const char c : message) {
        if (IsAsciiLetterOrDigit(c) || kAlwaysKept.find(c) != std::string_view::npos) {
            cleaned += c;
        } else if (kMode1Punctuation.find(c) != std::string_view::npos) {
            cleaned += mode == MessageCleaning::kMode1 ? c : ' ';
        } else if (c == '\'' || IsRemovableControl(c)) {
            cleaned += ' ';
        }
    }
    return cleaned;
}

}  // namespace trevalon
