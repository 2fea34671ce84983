#include "engine/alarms/delivery_factories.h"

#include <utility>

namespace trevalon {

void DeliveryFactories::Register(AlarmMethod method, DeliveryFactory factory) {
    factories_[static_cast<std::size_t>(method)] = std::move(factory);
}

const DeliveryFactory* DeliveryFactories::Find(AlarmMethod method) const {
    const DeliveryFactory& factory = factories_[static_cast<std::size_t>(method)];
    return factory ? &factory : nullptr;
}

}  // namespace trevalon
