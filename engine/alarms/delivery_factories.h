#pragma once

#include <array>
#include <functional>
#include <memory>

#include "engine/alarms/alarm_job.h"
#include "engine/pool/delivery_work_item.h"
#include "engine/storage/configuration_cache.h"

namespace trevalon {

// Builds the work item of one method for one job. `settings` is the method's record in
// `configuration`; the item copies what it needs, so later reloads do not reach it. May raise.
using DeliveryFactory = std::function<std::unique_ptr<DeliveryWorkItem>(
    const AlarmJob& job, const AlarmMethodSettings& settings,
    const ConfigurationSnapshot& configuration)>;

// One factory per alarm method, the engine's registry. Filled when the engine is made, before any
// alarm is dispatched, and only read afterwards, from any thread.
class DeliveryFactories {
  public:
    // Replaces the method's factory; an empty one removes it.
    void Register(AlarmMethod method, DeliveryFactory factory);
    // nullptr when the method has none.
    const DeliveryFactory* Find(AlarmMethod method) const;

  private:
    std::array<DeliveryFactory, kAlarmMethodCount> factories_;
};

}  // namespace trevalon
