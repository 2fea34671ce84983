#include "engine/engine_deliveries.h"

#include "engine/alarms/smtp_snpp_deliveries.h"
#include "engine/alarms/url_syslog_deliveries.h"
#include "engine/smpp/sms_delivery.h"
#include "engine/snmp/snmp_delivery.h"

namespace trevalon {

// Each delivery registers itself here, so the dispatcher never needs to know the job classes.
void RegisterEngineDeliveries(DeliveryFactories& factories) {
    RegisterSmtpDelivery(factories);
    RegisterSmsDelivery(factories);
    RegisterHttpSmsDelivery(factories);
    RegisterSysLogDelivery(factories);
    RegisterSnmpDelivery(factories);
    RegisterSnppDelivery(factories);
}

}  // namespace trevalon
