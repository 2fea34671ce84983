#include "engine/syslog_forward/syslog_forward_delivery.h"

#include "engine/syslog_forward/thread_syslog.h"

namespace trevalon {

void RegisterSysLogDelivery(DeliveryFactories& factories, const PublishedSettings& settings) {
    factories.Register(AlarmMethod::SysLog,
                       [&settings](const AlarmJob& job, const AlarmMethodSettings& method,
                                   const ConfigurationSnapshot&) {
                           return MakeThreadSysLog(method, job.FacilityName, job.SeverityName,
                                                   job.Text, settings.Current()->LocalIP);
                       });
}

}  // namespace trevalon
