#include "engine/http_sms/sms_url_encoding.h"

namespace trevalon {
namespace {

bool KeptAsItIs(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z');
}

std::string ReplaceAll(std::string_view text, std::string_view placeholder,
                       std::string_view value) {
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(placeholder); at != std::string_view::npos;
         at = text.find(placeholder, from)) {
        result.append(text.substr(from, at - from));
        result.append(value);
        from = at + placeholder.size();
    }
    result.append(text.substr(from));
    return result;
}

}  // namespace

std::string SmsUrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte == ' ') {
            encoded.push_back('+');
        } else if (KeptAsItIs(byte)) {
            encoded.push_back(character);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[byte >> 4]);
            encoded.push_back(kHex[byte & 0x0F]);
        }
    }
    return encoded;
}

std::string FillSmsUrlTemplate(std::string_view urlTemplate, std::string_view number,
                               std::string_view text) {
    const std::string withNumber = ReplaceAll(urlTemplate, "$MSISDN", SmsUrlEncode(number));
    return ReplaceAll(withNumber, "$MESSAGE", SmsUrlEncode(text));
}

std::vector<std::string> SmsFormLines(const std::string& fieldMsisdn,
                                      const std::string& fieldMessage, const std::string& number,
                                      const std::string& text,
                                      const std::vector<std::string>& extraFields) {
    std::vector<std::string> lines;
    lines.reserve(2 + extraFields.size());
    lines.push_back(fieldMsisdn + "=" + number);
    lines.push_back(fieldMessage + "=" + text);
    lines.insert(lines.end(), extraFields.begin(), extraFields.end());
    return lines;
}

std::string SmsFormBody(const std::vector<std::string>& lines) {
    std::string body;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        if (index > 0) {
            body.push_back('&');
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            body.append(line);
            continue;
        }
        body.append(line, 0, equals + 1);
        body.append(SmsUrlEncode(std::string_view(line).substr(equals + 1)));
    }
    return body;
}

}  // namespace trevalon
