#include "engine/http_sms/http_sms_delivery.h"

#include "engine/http_sms/thread_url.h"

namespace trevalon {

void RegisterHttpSmsDelivery(DeliveryFactories& factories) {
    factories.Register(AlarmMethod::SmsByHttp, [](const AlarmJob& job,
                                                  const AlarmMethodSettings& settings,
                                                  const ConfigurationSnapshot& configuration) {
        return MakeThreadURL(settings, configuration.HttpSmsExtraFields, job.Recipient, job.Text);
    });
}

}  // namespace trevalon
