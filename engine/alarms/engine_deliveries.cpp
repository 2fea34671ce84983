#include "engine/alarms/delivery_factories.h"
#include "engine/snmp/snmp_delivery.h"

namespace trevalon {

// Each delivery registers itself here, so the dispatcher never needs to know the job classes.
void RegisterEngineDeliveries(DeliveryFactories& factories) {
    RegisterSnmpDelivery(factories);
}

}  // namespace trevalon
