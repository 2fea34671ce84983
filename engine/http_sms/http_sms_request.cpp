#include "engine/http_sms/http_sms_request.h"

#include "engine/http_sms/sms_url_encoding.h"

namespace trevalon {

HttpSmsRequest BuildHttpSmsRequest(const AlarmMethodSettings& settings,
                                   const std::vector<std::string>& extraFields,
                                   const std::string& number, const std::string& text) {
    HttpSmsRequest request;
    if (settings.url_method == "Get") {
        request.verb = HttpSmsVerb::Get;
        request.url = FillSmsUrlTemplate(settings.ip, number, text);
    } else {
        request.verb = HttpSmsVerb::Post;
        request.url = settings.ip;
        request.formLines =
            SmsFormLines(settings.field_msisdn, settings.field_message, number, text, extraFields);
    }
    request.port = settings.port;
    request.readTimeoutMs = settings.read_timeout;
    request.username = settings.username;
    request.password = settings.password;
    request.proxyHost = settings.proxy_ip;
    request.proxyPort = settings.proxy_port;
    request.proxyUsername = settings.proxy_username;
    request.proxyPassword = settings.proxy_password;
    return request;
}

}  // namespace trevalon
