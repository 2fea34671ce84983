#include "engine/snpp/snpp_delivery.h"

#include "engine/snpp/thread_snpp.h"

namespace trevalon {

void RegisterSnppDelivery(DeliveryFactories& factories) {
    factories.Register(
        AlarmMethod::Snpp,
        [](const AlarmJob& job, const AlarmMethodSettings& settings, const ConfigurationSnapshot&) {
            return std::make_unique<ThreadSNPP>(settings, job.Recipient, job.Text);
        });
}

}  // namespace trevalon
