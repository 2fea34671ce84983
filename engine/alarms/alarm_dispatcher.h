#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/alarms/alarm_job.h"
#include "engine/alarms/alarm_list_feed.h"
#include "engine/alarms/delivery_factories.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/storage/configuration_cache.h"
#include "foundation/owner_loop.h"

namespace trevalon {

// Turns the alarms of a matched message into delivery work items on the pool and reports the
// failed ones when they come back. Dispatching runs on the receivers' threads, one
// configuration snapshot per call; the two handlers run on the pool's owner thread.
class AlarmDispatcher {
  public:
    using ConfigurationSource = std::function<std::shared_ptr<const ConfigurationSnapshot>()>;

    // `owner` is the pool's owner loop; `configuration` gives the snapshot each dispatch works
    // on. Everything given must outlive the dispatcher.
    AlarmDispatcher(OwnerLoop& owner, TOrlThreadPoolManager& pool,
                    const DeliveryFactories& factories, ConfigurationSource configuration);

    // Who hears of the alarm rows and the errors to show; nobody unless set. Before anything is
    // dispatched; the observer must outlive the dispatcher.
    void SetObserver(EngineObserver* observer);
    // Owner thread: makes OnWorkItemDone and OnPoolError the pool's handlers. The pool must be
    // destroyed before the dispatcher.
    void InstallHandlers();

    // Any thread. Builds the job's work item with its method's factory and queues it; nothing
    // happens for an unknown or disabled method. Errors are logged, never raised.
    void DispatchAlarm(const AlarmJob& job);

    // Any thread. The contact alarms of one matched rule: per linked contact, in the order the
    // cache holds them, an "SMS", an "SMS by HTTP" and an "SNPP" job as wanted and possible; then
    // one "Email" job to all their addresses. Errors are logged, never raised.
    void FanOutContacts(int ruleId, const std::string& timeStamp, bool snppWanted,
                        bool httpSmsWanted, bool smppWanted, bool emailWanted,
                        const std::string& text);

    // Owner thread, once per finished item.
    void OnWorkItemDone(TOrlThreadPoolManager& pool, TOrlTPWorkItem& item);
    void OnPoolError(TOrlThreadPoolManager& pool, int code, const std::string& text);

  private:
    void Dispatch(const ConfigurationSnapshot& configuration, const AlarmJob& job);
    void ReportDone(TOrlTPWorkItem& item);

    OwnerLoop& owner_;
    TOrlThreadPoolManager& pool_;
    const DeliveryFactories& factories_;
    ConfigurationSource configuration_;
    std::shared_ptr<AlarmListFeed> list_;
};

}  // namespace trevalon
