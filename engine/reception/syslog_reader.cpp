#include "engine/reception/syslog_reader.h"

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

#include "engine/reception/rfc5424_reading.h"
#include "foundation/clock.h"

namespace trevalon {
namespace {

// Used when the PRI part is missing or malformed: User Level, Notice.
constexpr int kDefaultPri = 13;
constexpr int kHighestPri = 191;
constexpr std::size_t kMostPriDigits = 4;
// "Mmm dd hh:mm:ss" and the space after it.
constexpr std::size_t kTimestampLength = 16;
constexpr std::size_t kTimeStampTextLength = 19;

constexpr std::array<std::string_view, 12> kMonthNames = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Pri {
    int value = kDefaultPri;
    std::size_t length = 0;  // characters consumed; 0 when the default applies
};

Pri ReadPri(std::string_view raw) {
    if (raw.empty() || raw[0] != '<') {
        return {};
    }
    int value = 0;
    std::size_t end = 1;
    while (end < raw.size() && end <= kMostPriDigits && IsDigit(raw[end])) {
        value = value * 10 + (raw[end] - '0');
        ++end;
    }
    if (end == 1 || end >= raw.size() || raw[end] != '>' || value > kHighestPri) {
        return {};
    }
    return {value, end + 1};
}

std::optional<int> ReadMonth(std::string_view text) {
    for (std::size_t index = 0; index < kMonthNames.size(); ++index) {
        const std::string_view name = kMonthNames[index];
        if (LowerAscii(text[0]) == name[0] && LowerAscii(text[1]) == name[1] &&
            LowerAscii(text[2]) == name[2]) {
            return static_cast<int>(index) + 1;
        }
    }
    return std::nullopt;
}

std::optional<int> ReadTwoDigits(std::string_view text) {
    if (!IsDigit(text[0]) || !IsDigit(text[1])) {
        return std::nullopt;
    }
    return (text[0] - '0') * 10 + (text[1] - '0');
}

// The day may carry a leading space instead of a leading zero.
std::optional<int> ReadDay(std::string_view text) {
    if (text[0] == ' ' && IsDigit(text[1])) {
        return text[1] - '0';
    }
    return ReadTwoDigits(text);
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// The header carries no year. A December message read in January was sent last year, a January
// message read in December (sender's clock slightly ahead) belongs to next year.
int YearOfMessage(int month, const LocalTime& now) {
    if (month == 12 && now.month == 1) {
        return now.year - 1;
    }
    if (month == 1 && now.month == 12) {
        return now.year + 1;
    }
    return now.year;
}

// "Mmm dd hh:mm:ss " at the start of `text`; none when any field, or the date itself, is invalid.
std::optional<LocalTime> ReadTimestamp(std::string_view text, const LocalTime& now) {
    if (text.size() < kTimestampLength || text[3] != ' ' || text[6] != ' ' || text[9] != ':' ||
        text[12] != ':' || text[15] != ' ') {
        return std::nullopt;
    }
    const auto month = ReadMonth(text.substr(0, 3));
    const auto day = ReadDay(text.substr(4, 2));
    const auto hour = ReadTwoDigits(text.substr(7, 2));
    const auto minute = ReadTwoDigits(text.substr(10, 2));
    const auto second = ReadTwoDigits(text.substr(13, 2));
    if (!month || !day || !hour || !minute || !second || *hour > 23 || *minute > 59 ||
        *second > 59) {
        return std::nullopt;
    }
    const int year = YearOfMessage(*month, now);
    if (*day < 1 || *day > DaysInMonth(year, *month)) {
        return std::nullopt;
    }
    LocalTime time;
    time.year = year;
    time.month = *month;
    time.day = *day;
    time.hour = *hour;
    time.minute = *minute;
    time.second = *second;
    return time;
}

// Host names are shown, filed and stored as text: anything that is not printable ASCII
// (including control characters that would break a text-file line) becomes "?".
std::string CleanHostName(std::string_view raw) {
    std::string name(raw);
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f) {
            c = '?';
        }
    }
    return name;
}

// A TAG such as "sshd[231]" ends at the first colon; a colon at the very start is no TAG.
std::string ContentOf(std::string_view message) {
    const std::size_t colon = message.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::string(message);
    }
    return std::string(message.substr(colon + 1));
}

std::string FormatTimeStamp(const LocalTime& time) {
    return FormatDateTime(time).substr(0, kTimeStampTextLength);
}

}  // namespace

SyslogReading ReadSyslogMessage(std::string_view raw, std::string_view senderAddress) {
    const LocalTime now = LocalNow();
    const Pri pri = ReadPri(raw);
    std::string_view rest = raw.substr(pri.length);

    SyslogReading reading;
    reading.Facility = *WireCodeToFacility(pri.value / 8);
    reading.Severity = *WireCodeToSeverity(pri.value % 8);

    if (pri.length > 0) {
        if (auto fields = ReadRfc5424(rest, now)) {
            reading.TimeStamp = std::move(fields->TimeStamp);
            reading.HostName = fields->HostName.empty() ? std::string(senderAddress)
                                                        : CleanHostName(fields->HostName);
            reading.Message = std::string(rest);
            reading.Content = std::move(fields->Content);
            return reading;
        }
    }

    if (const auto time = ReadTimestamp(rest, now)) {
        reading.TimeStamp = FormatTimeStamp(*time);
        rest.remove_prefix(kTimestampLength);
        const std::size_t space = rest.find(' ');
        reading.HostName = CleanHostName(rest.substr(0, space));
        rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
    } else {
        reading.TimeStamp = FormatTimeStamp(now);
        reading.HostName = std::string(senderAddress);
    }

    reading.Message = std::string(rest);
    reading.Content = ContentOf(rest);
    return reading;
}

SyslogRecord MakeSyslogRecord(const SyslogReading& reading, std::string source) {
    SyslogRecord record;
    record.TimeStamp = reading.TimeStamp;
    record.Source = std::move(source);
    record.Facility = reading.Facility;
    record.Severity = reading.Severity;
    FacilityToName(reading.Facility, record.FacilityName);
    SeverityToName(reading.Severity, record.SeverityName);
    record.Content = reading.Content;
    return record;
}

}  // namespace trevalon
