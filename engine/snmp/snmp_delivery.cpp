#include "engine/snmp/snmp_delivery.h"

#include "engine/snmp/thread_snmp.h"

namespace trevalon {

void RegisterSnmpDelivery(DeliveryFactories& factories, SnmpTrapAgent& agent) {
    factories.Register(AlarmMethod::Snmp, [&agent](const AlarmJob& job,
                                                   const AlarmMethodSettings& settings,
                                                   const ConfigurationSnapshot&) {
        return std::make_unique<ThreadSNMP>(agent, settings.ip, settings.port,
                                            settings.snmp_trap_port, job.SnmpTrapOid,
                                            settings.snmp_local_engine_id, settings.snmp_localhost,
                                            job.SnmpVersion, job.SnmpUsername, job.SnmpPassword,
                                            job.SnmpCommunity, job.SnmpEnterprise, settings.retry);
    });
}

}  // namespace trevalon
