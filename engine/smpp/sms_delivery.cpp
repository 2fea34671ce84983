#include "engine/smpp/sms_delivery.h"

#include "engine/smpp/thread_sms.h"

namespace trevalon {

void RegisterSmsDelivery(DeliveryFactories& factories) {
    factories.Register(
        AlarmMethod::Sms,
        [](const AlarmJob& job, const AlarmMethodSettings& settings, const ConfigurationSnapshot&) {
            return std::make_unique<ThreadSMS>(settings, job.Recipient, job.Text);
        });
}

}  // namespace trevalon
