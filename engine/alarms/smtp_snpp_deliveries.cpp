#include "engine/alarms/smtp_snpp_deliveries.h"

#include "engine/alarms/thread_smtp.h"
#include "engine/alarms/thread_snpp.h"

namespace trevalon {

void RegisterSmtpDelivery(DeliveryFactories& factories) {
    factories.Register(
        AlarmMethod::Email,
        [](const AlarmJob& job, const AlarmMethodSettings& settings, const ConfigurationSnapshot&) {
            return std::make_unique<ThreadSMTP>(settings, job.Recipient, job.Text);
        });
}

void RegisterSnppDelivery(DeliveryFactories& factories) {
    factories.Register(
        AlarmMethod::Snpp,
        [](const AlarmJob& job, const AlarmMethodSettings& settings, const ConfigurationSnapshot&) {
            return std::make_unique<ThreadSNPP>(settings, job.Recipient, job.Text);
        });
}

}  // namespace trevalon
