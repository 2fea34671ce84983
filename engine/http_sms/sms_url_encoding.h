#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevalon {

// The gateway encoding of a number or a text: a blank becomes "+", letters A-Z, a-z and digits
// stay, every other byte becomes "%" and two upper-case hexadecimal digits. Control characters
// therefore never reach a request line or a form body as they are.
std::string SmsUrlEncode(std::string_view text);

// The GET URL: every "$MSISDN" replaced by the encoded number, then every "$MESSAGE" by the
// encoded text.
std::string FillSmsUrlTemplate(std::string_view urlTemplate, std::string_view number,
                               std::string_view text);

// The POST form: "<msisdn field>=<number>", "<message field>=<text>", then the extra
// "name=value" lines as configured.
std::vector<std::string> SmsFormLines(const std::string& fieldMsisdn,
                                      const std::string& fieldMessage, const std::string& number,
                                      const std::string& text,
                                      const std::vector<std::string>& extraFields);

// The form body: the lines joined by "&", each value (after the first "=") encoded, each name
// kept as it is.
std::string SmsFormBody(const std::vector<std::string>& lines);

}  // namespace trevalon
