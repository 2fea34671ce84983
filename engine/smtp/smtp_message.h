#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"

namespace trevalon {

struct MailAddress {
    std::string name;     // display name; empty for a bare address
    std::string address;  // what the envelope commands carry between "<" and ">"
};

// "Name <address>", "\"Name\" <address>" or a bare address; surrounding blanks are dropped.
MailAddress ParseMailAddress(std::string_view text);
// Entries separated by ";" or "," (outside quotes), in order; empty entries are skipped.
std::vector<MailAddress> ParseMailAddressList(std::string_view text);

struct MailMessage {
    MailAddress from;
    MailAddress replyTo;
    std::vector<MailAddress> to;
    std::string subject;
    // Any line end in it (CR LF, CR or LF) becomes a line break of the body.
    std::string body;
};

// The alarm e-mail: From and Reply-To are `fromAddress`, To the entries of `recipients`,
// subject "Alarming Message", the body the alarm text.
MailMessage AlarmMailMessage(std::string_view fromAddress, std::string_view recipients,
                             std::string_view text);

// The message as DATA carries it before dot-stuffing: the header lines (From, Reply-To, To,
// Subject, Date, X-Priority, X-Mailer when `mailer` is set, and the MIME lines of a UTF-8 plain
// text), an empty line and the body in quoted-printable, every line ended by CR LF. Header
// texts that are not plain printable ASCII go as RFC 2047 encoded words, so no value can add a
// header line.
std::string RenderMailMessage(const MailMessage& message, std::string_view mailer, TimePoint date);

// `time` as an RFC 5322 date in local time, for example "Thu, 05 Mar 2026 07:04:09 +0100".
std::string MailDate(TimePoint time);

// `message` (CR LF line ends) with "." put in front of every line that begins with ".", so
// that no line of it ends the DATA early.
std::string DotStuffed(std::string_view message);

// Whether `text` holds a byte below 0x20 or DEL, which has no place in an envelope address.
bool HasControlCharacter(std::string_view text);

}  // namespace trevalon
