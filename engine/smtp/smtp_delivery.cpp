#include "engine/smtp/smtp_delivery.h"

#include "engine/smtp/thread_smtp.h"

namespace trevalon {

void RegisterSmtpDelivery(DeliveryFactories& factories, const PublishedSettings& settings) {
    factories.Register(AlarmMethod::Email,
                       [&settings](const AlarmJob& job, const AlarmMethodSettings& method,
                                   const ConfigurationSnapshot&) {
                           return std::make_unique<ThreadSMTP>(method, job.Recipient, job.Text,
                                                               settings.Current()->HostName);
                       });
}

}  // namespace trevalon
