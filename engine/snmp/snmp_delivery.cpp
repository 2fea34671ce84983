#include "engine/snmp/snmp_delivery.h"

#include "engine/snmp/thread_snmp.h"

namespace trevalon {

SnmpTrapAgent& TheSnmpTrapAgent() {
    static SnmpTrapAgent agent;
    return agent;
}

void RegisterSnmpDelivery(DeliveryFactories& factories) {
    factories.Register(
        AlarmMethod::Snmp,
        [](const AlarmJob& job, const AlarmMethodSettings& settings, const ConfigurationSnapshot&) {
            return std::make_unique<ThreadSNMP>(
                TheSnmpTrapAgent(), settings.ip, settings.port, settings.snmp_trap_port,
                job.SnmpTrapOid, settings.snmp_local_engine_id, settings.snmp_localhost,
                job.SnmpVersion, job.SnmpUsername, job.SnmpPassword, job.SnmpCommunity,
                job.SnmpEnterprise, settings.retry);
        });
}

}  // namespace trevalon
