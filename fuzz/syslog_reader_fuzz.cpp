// Feeds arbitrary bytes to the syslog reading and checks what it promises for any input.
// The first byte picks the moment of reception (leap year, turn of the year, ...); the rest is
// the raw message, read straight from libFuzzer's buffer so that any read past its end is caught.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/reception/syslog_reader.h"
#include "foundation/clock.h"

namespace {

using trevalon::Clock;
using trevalon::LocalTime;
using trevalon::TimePoint;

class FixedClock final : public Clock {
  public:
    explicit FixedClock(TimePoint now) : now_(now) {}
    TimePoint Now() const override { return now_; }

  private:
    TimePoint now_;
};

const std::array<FixedClock, 5>& ReceptionMoments() {
    static const std::array<FixedClock, 5> moments = {
        FixedClock(trevalon::FromLocalTime(LocalTime{2024, 6, 15, 10, 20, 30})),
        FixedClock(trevalon::FromLocalTime(LocalTime{2023, 6, 15, 10, 20, 30})),
        FixedClock(trevalon::FromLocalTime(LocalTime{2025, 1, 1, 0, 0, 5})),
        FixedClock(trevalon::FromLocalTime(LocalTime{2024, 12, 31, 23, 59, 59})),
        FixedClock(trevalon::FromLocalTime(LocalTime{2024, 2, 29, 12, 0, 0})),
    };
    return moments;
}

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "yyyy-MM-dd HH:mm:ss"
bool IsTimeStamp(std::string_view text) {
    constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kPattern[i] == 'd' ? !IsDigit(text[i]) : text[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

bool IsPrintableAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
            return false;
        }
    }
    return true;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto& moments = ReceptionMoments();
    const trevalon::ScopedClockOverride pin(moments[data[0] % moments.size()]);
    const std::string_view raw(reinterpret_cast<const char*>(data + 1), size - 1);
    constexpr std::string_view kSender = "192.0.2.7";

    const trevalon::SyslogReading reading = trevalon::ReadSyslogMessage(raw, kSender);
    Require(IsTimeStamp(reading.TimeStamp));
    Require(trevalon::FacilityToWireCode(reading.Facility) >= 0);
    Require(trevalon::SeverityToWireCode(reading.Severity) >= 0);
    Require(reading.HostName == kSender || IsPrintableAscii(reading.HostName));
    Require(EndsWith(raw, reading.Message));
    // An RFC 5424 message ("1 ..." after the PRI) puts its structured data before the text.
    const bool rfc5424 = reading.Message.rfind("1 ", 0) == 0;
    Require(EndsWith(reading.Message, reading.Content) ||
            (rfc5424 && reading.Content.size() <= reading.Message.size()));

    const trevalon::SyslogRecord record = trevalon::MakeSyslogRecord(reading, reading.HostName);
    Require(!record.FacilityName.empty() && !record.SeverityName.empty());
    Require(record.TimeStamp == reading.TimeStamp && record.Content == reading.Content);
    return 0;
}
