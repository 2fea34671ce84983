#pragma once

// The work item every delivery is: an alarm job or a row job, with the result texts the
// dispatcher logs and shows when it comes back.

#include <string>
#include <string_view>
#include <utility>

#include "engine/pool/work_item.h"

namespace trevalon {

// How the completion handler's line for a failed item begins, per work-item class.
inline constexpr std::string_view kHttpSmsFailureTitle = "Alarming Message - HTTP-SMS";
inline constexpr std::string_view kSysLogFailureTitle = "Alarming Message - SysLog";
inline constexpr std::string_view kSmtpFailureTitle = "Alarming Message - SMTP";
inline constexpr std::string_view kSmsFailureTitle = "Alarming Message - SMS";
inline constexpr std::string_view kSnmpFailureTitle = "Alarming Message - SNMP";
inline constexpr std::string_view kSnppFailureTitle = "Alarming Message - SNPP";
inline constexpr std::string_view kRowInsertFailureTitle = "MySQL Backup Error";

enum class DeliveryKind {
    // One of the six alarm methods; the manager's alarm list shows its status.
    kAlarm,
    // The syslog row insert.
    kRowInsert,
};

// Base of the work items whose outcome the completion handler reports: the six alarm
// deliveries and the syslog row insert. Execute leaves the outcome in these fields and never
// raises; the owner thread reads them once the item has finished.
class DeliveryWorkItem : public TOrlTPWorkItem {
  public:
    bool Succeeded() const { return succeeded_; }
    // "Sent" or "Error" for an alarm, "Passed" or "Failed" for a row insert.
    const std::string& ResultText() const { return resultText_; }
    // The bracketed detail the job wrote, e.g. "[SMTP Alarm Sent Succeed]".
    const std::string& ResultDetail() const { return resultDetail_; }
    DeliveryKind Kind() const { return kind_; }

    // The line logged at ERROR level when the item failed:
    // "<title> : error <ResultDetail> <StatusMessage>".
    virtual std::string FailureLine() const;
    // Frees the texts once the completion has been handled; a class holding more overrides it.
    virtual void ReleaseTexts();
    // Owner thread, when the pool turned the item away unrun: true when the item keeps its work
    // for later instead, so that nothing failed.
    virtual bool KeptAfterRefusal() { return false; }

  protected:
    DeliveryWorkItem(std::string_view failureTitle, DeliveryKind kind, bool succeeded = false,
                     std::string resultText = {});

    void SetSucceeded(bool succeeded) { succeeded_ = succeeded; }
    void SetResultText(std::string text) { resultText_ = std::move(text); }
    void SetResultDetail(std::string detail) { resultDetail_ = std::move(detail); }
    void AppendResultDetail(std::string_view more) { resultDetail_ += more; }

    // "<title> : <first> <ResultDetail> <StatusMessage>", for a class whose first value is not
    // the word "error".
    std::string FailureLineWith(std::string_view first) const;

  private:
    friend class AlarmListFeed;

    std::string_view failureTitle_;
    DeliveryKind kind_;
    bool succeeded_;
    std::string resultText_;
    std::string resultDetail_;
    // Set before queueing when an alarm-list row is on its way to the owner thread.
    bool rowAnnounced_ = false;
};

}  // namespace trevalon
