#include "engine/alarms/url_syslog_deliveries.h"

#include "engine/alarms/thread_syslog.h"
#include "engine/alarms/thread_url.h"

namespace trevalon {

void RegisterHttpSmsDelivery(DeliveryFactories& factories) {
    factories.Register(AlarmMethod::SmsByHttp, [](const AlarmJob& job,
                                                  const AlarmMethodSettings& settings,
                                                  const ConfigurationSnapshot& configuration) {
        return MakeThreadURL(settings, configuration.HttpSmsExtraFields, job.Recipient, job.Text);
    });
}

void RegisterSysLogDelivery(DeliveryFactories& factories) {
    factories.Register(
        AlarmMethod::SysLog,
        [](const AlarmJob& job, const AlarmMethodSettings& settings, const ConfigurationSnapshot&) {
            return MakeThreadSysLog(settings, job.FacilityName, job.SeverityName, job.Text);
        });
}

}  // namespace trevalon
