#pragma once

// The "SMS by HTTP" delivery job: one alarm as one request to an HTTP SMS gateway.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/http_sms/http_sms_request.h"
#include "engine/pool/delivery_work_item.h"

namespace trevalon {

// Hands one SMS to a web gateway: one HTTP request for one phone number. Only the status of
// the final response decides; its body is not read for meaning.
class ThreadURL : public DeliveryWorkItem {
  public:
    explicit ThreadURL(HttpSmsRequest request);

    // Never raises. ResultText becomes "Sent" or "Error", ResultDetail "[HTTP Alarm Sent
    // Succeed]" or "[<url>:<configured port> HTTP Alarm Connection Error:<reason>]". Until
    // then the job reads as sent with response code 200 and an empty detail.
    void Execute() override;

    const HttpSmsRequest& Request() const { return request_; }
    // The status of the last response; -1 when none was received.
    int ResponseCode() const { return responseCode_; }

    // "Alarming Message - HTTP-SMS : Response code=<code> <ResultDetail> <StatusMessage>"
    std::string FailureLine() const override;
    void ReleaseTexts() override;

  private:
    void Fail(int responseCode, std::string_view reason);

    HttpSmsRequest request_;
    int responseCode_ = 200;
};

// The delivery of one alarm text to one phone number with the method's settings and extra
// form fields.
std::unique_ptr<ThreadURL> MakeThreadURL(const AlarmMethodSettings& settings,
                                         const std::vector<std::string>& extraFields,
                                         const std::string& number, const std::string& text);

// The port a request goes to when its URL names none: the configured one, except that 0, 80
// and 443 mean 80.
int HttpSmsDefaultPort(int configuredPort);

}  // namespace trevalon
