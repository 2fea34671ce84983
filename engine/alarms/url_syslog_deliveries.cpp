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

void RegisterSysLogDelivery(DeliveryFactories& factories, const PublishedSettings& settings) {
    factories.Register(AlarmMethod::SysLog,
                       [&settings](const AlarmJob& job, const AlarmMethodSettings& method,
                                   const ConfigurationSnapshot&) {
                           return MakeThreadSysLog(method, job.FacilityName, job.SeverityName,
                                                   job.Text, settings.Current()->LocalIP);
                       });
}

}  // namespace trevalon
