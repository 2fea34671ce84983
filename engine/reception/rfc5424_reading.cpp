#include "engine/reception/rfc5424_reading.h"

#include <ctime>

namespace trevalon {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Takes the next space-separated field; none when it is empty or the text ends before a space.
std::optional<std::string_view> TakeField(std::string_view& text) {
    const std::size_t space = text.find(' ');
    if (space == 0 || space == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view field = text.substr(0, space);
    text.remove_prefix(space + 1);
    return field;
}

std::optional<int> Number(std::string_view text, std::size_t from, std::size_t digits) {
    if (from + digits > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = from; i < from + digits; ++i) {
        if (!IsDigit(text[i])) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "2003-10-11T22:14:15.003Z" or "...+02:00"; the sender's time turned into our local time.
std::optional<LocalTime> ReadTimestamp(std::string_view text) {
    const auto year = Number(text, 0, 4);
    const auto month = Number(text, 5, 2);
    const auto day = Number(text, 8, 2);
    const auto hour = Number(text, 11, 2);
    const auto minute = Number(text, 14, 2);
    const auto second = Number(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || text[4] != '-' ||
        text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' || *month < 1 ||
        *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    std::size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        const std::size_t start = ++at;
        while (at < text.size() && IsDigit(text[at])) {
            ++at;
        }
        if (at == start || at - start > 6) {
            return std::nullopt;
        }
    }
    int offsetSeconds = 0;
    if (at + 1 == text.size() && text[at] == 'Z') {
        offsetSeconds = 0;
    } else if (at + 6 == text.size() && (text[at] == '+' || text[at] == '-') &&
               text[at + 3] == ':') {
        const auto offsetHours = Number(text, at + 1, 2);
        const auto offsetMinutes = Number(text, at + 4, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = (*offsetHours * 60 + *offsetMinutes) * 60 * (text[at] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }
    // The engine's clock counts nanoseconds from 1970 and ends in 2262.
    if (*year < 1970 || *year > 2200) {
        return std::nullopt;
    }
    std::tm utc{};
    utc.tm_year = *year - 1900;
    utc.tm_mon = *month - 1;
    utc.tm_mday = *day;
    utc.tm_hour = *hour;
    utc.tm_min = *minute;
    utc.tm_sec = *second > 59 ? 59 : *second;
    const std::time_t seconds = timegm(&utc) - offsetSeconds;
    return ToLocalTime(std::chrono::system_clock::from_time_t(seconds));
}

// The end of the "[id param=\"value\" ...]" element that starts at `at`; values may hold
// escaped quotes and brackets.
std::optional<std::size_t> ElementEnd(std::string_view text, std::size_t at) {
    bool quoted = false;
    for (++at; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted && c == '\\') {
            ++at;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ']') {
            return at + 1;
        }
    }
    return std::nullopt;
}

// "-" or one or more elements, followed by a space or the end; returns the length taken.
std::optional<std::size_t> StructuredDataLength(std::string_view text) {
    std::size_t at = 0;
    if (text.substr(0, 1) == "-") {
        at = 1;
    }
    while (at < text.size() && text[at] == '[' && text[0] == '[') {
        const auto end = ElementEnd(text, at);
        if (!end) {
            return std::nullopt;
        }
        at = *end;
    }
    if (at == 0 || (at < text.size() && text[at] != ' ')) {
        return std::nullopt;
    }
    return at;
}

}  // namespace

std::optional<Rfc5424Fields> ReadRfc5424(std::string_view afterPri, const LocalTime& now) {
    std::string_view rest = afterPri;
    if (rest.substr(0, 2) != "1 ") {
        return std::nullopt;
    }
    rest.remove_prefix(2);
    const auto timestamp = TakeField(rest);
    const auto host = TakeField(rest);
    const auto appName = TakeField(rest);
    const auto procId = TakeField(rest);
    const auto msgId = TakeField(rest);
    if (!timestamp || !host || !appName || !procId || !msgId) {
        return std::nullopt;
    }
    const auto sdLength = StructuredDataLength(rest);
    if (!sdLength) {
        return std::nullopt;
    }
    Rfc5424Fields fields;
    if (*timestamp == "-") {
        fields.TimeStamp = FormatDateTime(now);
    } else if (const auto time = ReadTimestamp(*timestamp)) {
        fields.TimeStamp = FormatDateTime(*time);
    } else {
        return std::nullopt;
    }
    if (*host != "-") {
        fields.HostName = std::string(*host);
    }
    const std::string_view structuredData = rest.substr(0, *sdLength);
    std::string_view message = rest.substr(*sdLength);
    if (!message.empty()) {
        message.remove_prefix(1);
    }
    if (message.substr(0, kBom.size()) == kBom) {
        message.remove_prefix(kBom.size());
    }
    if (structuredData != "-") {
        fields.Content = std::string(structuredData);
        if (!message.empty()) {
            fields.Content += ' ';
        }
    }
    fields.Content += message;
    return fields;
}

}  // namespace trevalon
