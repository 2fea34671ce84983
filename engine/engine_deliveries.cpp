#include "engine/engine_deliveries.h"

#include "engine/http_sms/http_sms_delivery.h"
#include "engine/smpp/sms_delivery.h"
#include "engine/smtp/smtp_delivery.h"
#include "engine/snmp/snmp_delivery.h"
#include "engine/snpp/snpp_delivery.h"
#include "engine/syslog_forward/syslog_forward_delivery.h"

namespace trevalon {

// Each delivery registers itself here, so the dispatcher never needs to know the job classes.
void RegisterEngineDeliveries(DeliveryFactories& factories, const PublishedSettings& settings,
                              SnmpTrapAgent& agent) {
    RegisterSmtpDelivery(factories, settings);
    RegisterSmsDelivery(factories);
    RegisterHttpSmsDelivery(factories);
    RegisterSysLogDelivery(factories, settings);
    RegisterSnmpDelivery(factories, agent);
    RegisterSnppDelivery(factories);
}

}  // namespace trevalon
