#include "engine/alarms/smtp_snpp_deliveries.h"

#include "engine/alarms/thread_smtp.h"
#include "engine/alarms/thread_snpp.h"

namespace trevalon {

void RegisterSmtpDelivery(DeliveryFactories& factories, const PublishedSettings& settings) {
    factories.Register(AlarmMethod::Email,
                       [&settings](const AlarmJob& job, const AlarmMethodSettings& method,
                                   const ConfigurationSnapshot&) {
                           return std::make_unique<ThreadSMTP>(method, job.Recipient, job.Text,
                                                               settings.Current()->HostName);
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
