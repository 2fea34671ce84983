#include "engine/smtp/smtp_message.h"

#include <ctime>

#include "engine/smtp/base64.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

constexpr std::string_view kAlarmSubject = "Alarming Message";
constexpr std::size_t kFoldAt = 78;
// Bytes of text per encoded word: 45 bytes make 60 Base64 characters, 72 with the frame.
constexpr std::size_t kEncodedWordBytes = 45;
// Characters per quoted-printable line before the soft break "=".
constexpr std::size_t kQuotedPrintableLine = 75;

bool IsPrintableAscii(std::string_view text) {
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte > 0x7E) {
            return false;
        }
    }
    return true;
}

// The longest start of `text` of at most `limit` bytes that does not cut a UTF-8 sequence.
std::size_t Utf8Cut(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut == 0 ? limit : cut;
}

// RFC 2047 encoded words, folded onto continuation lines.
std::string EncodedWords(std::string_view text) {
    std::string words;
    while (!text.empty()) {
        const std::size_t cut = Utf8Cut(text, kEncodedWordBytes);
        if (!words.empty()) {
            words += "\r\n ";
        }
        words += "=?UTF-8?B?" + Base64Encode(text.substr(0, cut)) + "?=";
        text.remove_prefix(cut);
    }
    return words;
}

// Free text of a header (subject, mailer).
std::string HeaderText(std::string_view text) {
    return IsPrintableAscii(text) ? std::string(text) : EncodedWords(text);
}

std::string DisplayName(std::string_view name) {
    if (!IsPrintableAscii(name)) {
        return EncodedWords(name);
    }
    if (name.find_first_of("()<>[]:;@\\,.\"") == std::string_view::npos) {
        return std::string(name);
    }
    std::string quoted = "\"";
    for (const char character : name) {
        if (character == '"' || character == '\\') {
            quoted += '\\';
        }
        quoted += character;
    }
    return quoted += '"';
}

std::string HeaderAddress(const MailAddress& address) {
    if (address.name.empty()) {
        return address.address;
    }
    return DisplayName(address.name) + " <" + address.address + ">";
}

// "To: a, b, c", folded before an entry that would make the line longer than kFoldAt.
std::string AddressListHeader(std::string_view name, const std::vector<MailAddress>& addresses) {
    std::string header(name);
    header += ":";
    std::size_t lineLength = header.size();
    for (std::size_t index = 0; index < addresses.size(); ++index) {
        const std::string entry = HeaderAddress(addresses[index]);
        if (index > 0) {
            header += ",";
            ++lineLength;
        }
        if (index > 0 && lineLength + 1 + entry.size() > kFoldAt) {
            header += "\r\n";
            lineLength = 0;
        }
        header += " " + entry;
        lineLength += 1 + entry.size();
    }
    return header + "\r\n";
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '\r' && text[index] != '\n') {
            continue;
        }
        lines.push_back(text.substr(begin, index - begin));
        if (text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n') {
            ++index;
        }
        begin = index + 1;
    }
    lines.push_back(text.substr(begin));
    return lines;
}

std::string QuotedPrintable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const std::string_view line : SplitLines(text)) {
        std::size_t lineLength = 0;
        for (std::size_t index = 0; index < line.size(); ++index) {
            const auto byte = static_cast<unsigned char>(line[index]);
            const bool last = index + 1 == line.size();
            std::string token;
            if ((byte >= 33 && byte <= 126 && byte != '=') ||
                ((byte == ' ' || byte == '\t') && !last)) {
                token = static_cast<char>(byte);
            } else {
                token = {'=', kHex[byte >> 4], kHex[byte & 0x0F]};
            }
            if (lineLength + token.size() > kQuotedPrintableLine) {
                encoded += "=\r\n";
                lineLength = 0;
            }
            encoded += token;
            lineLength += token.size();
        }
        encoded += "\r\n";
    }
    return encoded;
}

std::string Unquoted(std::string_view name) {
    if (name.size() < 2 || name.front() != '"' || name.back() != '"') {
        return std::string(name);
    }
    std::string plain;
    for (std::size_t index = 1; index + 1 < name.size(); ++index) {
        if (name[index] == '\\' && index + 2 < name.size()) {
            ++index;
        }
        plain += name[index];
    }
    return plain;
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

MailAddress ParseMailAddress(std::string_view text) {
    const std::string trimmed = TrimBlanks(text);
    const std::size_t open = trimmed.rfind('<');
    if (open == std::string::npos || trimmed.back() != '>') {
        return MailAddress{{}, trimmed};
    }
    return MailAddress{Unquoted(TrimBlanks(std::string_view(trimmed).substr(0, open))),
                       TrimBlanks(trimmed.substr(open + 1, trimmed.size() - open - 2))};
}

std::vector<MailAddress> ParseMailAddressList(std::string_view text) {
    std::vector<MailAddress> addresses;
    bool quoted = false;
    std::size_t begin = 0;
    for (std::size_t index = 0; index <= text.size(); ++index) {
        if (index < text.size() && text[index] == '"') {
            quoted = !quoted;
        }
        if (index < text.size() && (quoted || (text[index] != ';' && text[index] != ','))) {
            continue;
        }
        MailAddress address = ParseMailAddress(text.substr(begin, index - begin));
        if (!address.address.empty() || !address.name.empty()) {
            addresses.push_back(std::move(address));
        }
        begin = index + 1;
    }
    return addresses;
}

MailMessage AlarmMailMessage(std::string_view fromAddress, std::string_view recipients,
                             std::string_view text) {
    MailMessage message;
    message.from = ParseMailAddress(fromAddress);
    message.replyTo = message.from;
    message.to = ParseMailAddressList(recipients);
    message.subject = kAlarmSubject;
    message.body = text;
    return message;
}

std::string RenderMailMessage(const MailMessage& message, std::string_view mailer, TimePoint date) {
    std::string rendered = "From: " + HeaderAddress(message.from) + "\r\n";
    rendered += "Reply-To: " + HeaderAddress(message.replyTo) + "\r\n";
    rendered += AddressListHeader("To", message.to);
    rendered += "Subject: " + HeaderText(message.subject) + "\r\n";
    rendered += "Date: " + MailDate(date) + "\r\n";
    rendered += "X-Priority: 3\r\n";
    if (!mailer.empty()) {
        rendered += "X-Mailer: " + HeaderText(mailer) + "\r\n";
    }
    rendered += "MIME-Version: 1.0\r\n";
    rendered += "Content-Type: text/plain; charset=UTF-8\r\n";
    rendered += "Content-Transfer-Encoding: quoted-printable\r\n";
    rendered += "\r\n";
    return rendered += QuotedPrintable(message.body);
}

std::string MailDate(TimePoint time) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::string date = kDays[local.tm_wday];
    date += ", " + TwoDigits(local.tm_mday) + " " + kMonths[local.tm_mon] + " " +
            std::to_string(local.tm_year + 1900) + " " + TwoDigits(local.tm_hour) + ":" +
            TwoDigits(local.tm_min) + ":" + TwoDigits(local.tm_sec) + " ";
    date += offsetMinutes < 0 ? '-' : '+';
    return date +=
           TwoDigits(static_cast<int>(offset / 60)) + TwoDigits(static_cast<int>(offset % 60));
}

std::string DotStuffed(std::string_view message) {
    std::string stuffed;
    stuffed.reserve(message.size() + message.size() / 64);
    bool lineStart = true;
    for (const char character : message) {
        if (lineStart && character == '.') {
            stuffed += '.';
        }
        stuffed += character;
        lineStart = character == '\n';
    }
    return stuffed;
}

bool HasControlCharacter(std::string_view text) {
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

}  // namespace trevalon
