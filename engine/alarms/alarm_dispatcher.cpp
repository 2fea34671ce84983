#include "engine/alarms/alarm_dispatcher.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

constexpr std::string_view kErrorStatus = "Error";

// Method names are compared exactly, letter case included.
std::optional<AlarmMethod> MethodNamed(std::string_view name) {
    for (const AlarmMethod method : kAlarmMethods) {
        if (AlarmMethodType(method) == name) {
            return method;
        }
    }
    return std::nullopt;
}

// The alarm list shows the forward and trap target instead of the job's recipient.
bool ShowsTargetHost(AlarmMethod method) {
    return method == AlarmMethod::SysLog || method == AlarmMethod::Snmp;
}

AlarmJob ContactJob(AlarmMethod method, const std::string& timeStamp, const std::string& text,
                    const std::string& recipient) {
    AlarmJob job;
    job.Method = AlarmMethodType(method);
    job.TimeStamp = timeStamp;
    job.Text = text;
    job.Recipient = recipient;
    return job;
}

std::string CurrentErrorText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return {};
    }
}

}  // namespace

AlarmDispatcher::AlarmDispatcher(OwnerLoop& owner, TOrlThreadPoolManager& pool,
                                 const DeliveryFactories& factories,
                                 ConfigurationSource configuration)
    : owner_(owner),
      pool_(pool),
      factories_(factories),
      configuration_(std::move(configuration)),
      list_(std::make_shared<AlarmListFeed>(owner, nullptr)) {}

void AlarmDispatcher::SetObserver(EngineObserver* observer) {
    list_ = std::make_shared<AlarmListFeed>(owner_, observer);
}

void AlarmDispatcher::InstallHandlers() {
    pool_.SetOnWorkItemDone(
        [this](TOrlThreadPoolManager& pool, TOrlTPWorkItem& item) { OnWorkItemDone(pool, item); });
    pool_.SetOnPoolError([this](TOrlThreadPoolManager& pool, int code, const std::string& text) {
        OnPoolError(pool, code, text);
    });
}

void AlarmDispatcher::DispatchAlarm(const AlarmJob& job) {
    std::shared_ptr<const ConfigurationSnapshot> configuration;
    try {
        configuration = configuration_();
    } catch (...) {
        const std::string line =
            WithErrorText(catalogue::kCreatingThreadError, TrimBlanks(CurrentErrorText()));
        WriteDiagnostic(line, kLevelError);
        list_->Show(line);
        return;
    }
    Dispatch(*configuration, job);
}

void AlarmDispatcher::FanOutContacts(int ruleId, const std::string& timeStamp, bool snppWanted,
                                     bool httpSmsWanted, bool smppWanted, bool emailWanted,
                                     const std::string& text) {
    try {
        const std::shared_ptr<const ConfigurationSnapshot> snapshot = configuration_();
        const ConfigurationSnapshot& configuration = *snapshot;
        const bool sms = smppWanted && configuration.Method(AlarmMethod::Sms).enable;
        const bool httpSms = httpSmsWanted && configuration.Method(AlarmMethod::SmsByHttp).enable;
        const bool snpp = snppWanted && configuration.Method(AlarmMethod::Snpp).enable;
        std::string addresses;
        for (const ContactEntry& contact : configuration.Contacts) {
            if (contact.filtering_id != ruleId) {
                continue;
            }
            if (!contact.email.empty()) {
                if (!addresses.empty()) {
                    addresses += ';';
                }
                addresses += contact.email;
            }
            if (sms && !contact.sms.empty()) {
                Dispatch(configuration, ContactJob(AlarmMethod::Sms, timeStamp, text, contact.sms));
            }
            if (httpSms && !contact.sms.empty()) {
                Dispatch(configuration,
                         ContactJob(AlarmMethod::SmsByHttp, timeStamp, text, contact.sms));
            }
            if (snpp && !contact.pager_id.empty()) {
                Dispatch(configuration,
                         ContactJob(AlarmMethod::Snpp, timeStamp, text, contact.pager_id));
            }
        }
        if (emailWanted && configuration.Method(AlarmMethod::Email).enable && !addresses.empty()) {
            Dispatch(configuration, ContactJob(AlarmMethod::Email, timeStamp, text, addresses));
        }
    } catch (...) {
        const std::string line = WithErrorText(catalogue::kPlaceContactFanOut, CurrentErrorText());
        WriteDiagnostic(line, kLevelError);
        list_->Show(line);
    }
}

void AlarmDispatcher::Dispatch(const ConfigurationSnapshot& configuration, const AlarmJob& job) {
    const std::optional<AlarmMethod> method = MethodNamed(job.Method);
    if (!method || !configuration.Method(*method).enable) {
        return;
    }
    const AlarmMethodSettings& settings = configuration.Method(*method);
    std::int32_t id = 0;
    try {
        const DeliveryFactory* factory = factories_.Find(*method);
        if (factory == nullptr) {
            throw std::runtime_error("No delivery is registered for method " + job.Method);
        }
        std::unique_ptr<DeliveryWorkItem> item = (*factory)(job, settings, configuration);
        if (item == nullptr) {
            throw std::runtime_error("The delivery of method " + job.Method + " built no item");
        }
        list_->ExpectRow(*item);
        id = pool_.QueueWorkItem(std::move(item));
    } catch (...) {
        const std::string line =
            WithErrorText(catalogue::kCreatingThreadError, TrimBlanks(CurrentErrorText()));
        WriteDiagnostic(line, kLevelError);
        list_->Show(line);
        return;
    }
    try {
        list_->AddRow(id, job.TimeStamp, job.Text, job.Method,
                      ShowsTargetHost(*method) ? settings.ip : job.Recipient);
    } catch (...) {
        const std::string line =
            WithErrorText(catalogue::kPlaceManagerDispatch, CurrentErrorText());
        WriteDiagnostic(line, kLevelError);
    }
}

void AlarmDispatcher::OnWorkItemDone(TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
    auto* delivery = dynamic_cast<DeliveryWorkItem*>(&item);
    if (delivery == nullptr) {
        return;
    }
    try {
        const bool completed = item.Status() == WorkItemStatus::Completed;
        const bool kept = item.Status() == WorkItemStatus::Rejected && delivery->KeptAfterRefusal();
        const bool failed = !kept && (!completed || !delivery->Succeeded());
        if (failed) {
            WriteDiagnostic(delivery->FailureLine(), kLevelError);
        }
        if (delivery->Kind() == DeliveryKind::kAlarm) {
            list_->Finished(*delivery, failed && !completed ? std::string(kErrorStatus)
                                                            : delivery->ResultText());
        }
    } catch (...) {
        WriteDiagnostic(catalogue::kReceivingThreadError, kLevelError);
    }
    try {
        delivery->ReleaseTexts();
    } catch (...) {
        WriteDiagnostic(catalogue::kFreeingThreadError, kLevelError);
    }
}

void AlarmDispatcher::OnPoolError(TOrlThreadPoolManager&, int, const std::string& text) {
    WriteDiagnostic(WithErrorText(catalogue::kAlarmingThreadError, text), kLevelError);
}

}  // namespace trevalon
