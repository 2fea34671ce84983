#include "engine/storage/thread_db_mysql_execute_for_syslog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <exception>
#include <utility>

#include "engine/storage/row_connection_caches.h"
#include "engine/storage/schema_statements.h"
#include "engine/storage/server_outage.h"
#include "foundation/app_paths.h"
#include "foundation/diagnostic_log.h"
#include "foundation/engine_settings.h"
#include "foundation/text_trimming.h"
#include "foundation/utf8_text.h"

namespace trevalon {
namespace {

constexpr std::string_view kReceiverHead = kSyslogInsertHead;
constexpr std::string_view kPassed = "Passed";
constexpr std::string_view kFailed = "Failed";
constexpr std::string_view kInsertOperation = "Insert";
constexpr std::string_view kSyslogTable = "syslog";
constexpr std::string_view kBoundInsert =
    "insert into syslog (syslog_datetime,ip,facility,severity,msg) values (?,?,?,?,?)";

bool Unreachable(const std::exception& error) {
    const auto* databaseError = dynamic_cast<const DatabaseError*>(&error);
    return databaseError != nullptr && ServerUnreachable(*databaseError);
}

void RequireDriver(const std::string& path) {
    std::string error;
    if (!LoadDatabaseLibrary(path, &error)) {
        throw DatabaseError(error);
    }
}

}  // namespace

ThreadDBMySQLExecuteForSysLog::ThreadDBMySQLExecuteForSysLog(
    std::string operationName, std::string host, std::string port, std::string databaseName,
    std::string userName, std::string password, std::string statement, std::string time,
    std::string source, std::string facility, std::string severity, std::string message,
    std::string driverLibraryPath, RowConnectionCaches& caches, RowConnectionMode mode)
    : DeliveryWorkItem(kRowInsertFailureTitle, DeliveryKind::kRowInsert, true,
                       std::string(kPassed)),
      operationName_(std::move(operationName)),
      parameters_{std::move(host), std::move(port), std::move(userName), std::move(password),
                  std::move(databaseName)},
      statement_(std::move(statement)),
      time_(std::move(time)),
      source_(std::move(source)),
      facility_(std::move(facility)),
      severity_(std::move(severity)),
      message_(std::move(message)),
      driverLibraryPath_(std::move(driverLibraryPath)),
      caches_(caches),
      mode_(mode) {}

void ThreadDBMySQLExecuteForSysLog::Execute() {
    started_ = std::chrono::steady_clock::now();
    completion_ = DeferCompletion();
    std::binary_semaphore ended{0};
    const bool direct = !completion_;
    if (direct) {
        directEnd_ = &ended;
    }
    if (!JoinedHeldRows() && !Submitted()) {
        RowConnectionLease lease;
        try {
            Store(lease);
        } catch (const std::exception& error) {
            if (Unreachable(error)) {
                HoldOrFail(error.what());
            } else {
                RecordFailure(Place() + " MySQL Connection Error:" +
                              std::string(TrimControlAndSpaces(error.what())) + "]");
            }
        } catch (...) {
            RecordFailure(Place() + " MySQL Connection Error:]");
        }
        End();
    }
    // Under a pool the item may be gone by now.
    if (direct) {
        ended.acquire();
    }
}

bool ThreadDBMySQLExecuteForSysLog::JoinHeldRows() {
    RowOutageHold& hold = caches_.Hold();
    if (!hold.Holding()) {
        return false;
    }
    const RowOutageHold::Outcome outcome = hold.JoinHeld(AsHeldRow());
    if (outcome == RowOutageHold::Outcome::kNotHeld) {
        return false;
    }
    RecordHold(outcome, {});
    return true;
}

bool ThreadDBMySQLExecuteForSysLog::JoinedHeldRows() {
    if (!JoinHeldRows()) {
        return false;
    }
    End();
    return true;
}

bool ThreadDBMySQLExecuteForSysLog::JoinedHeldRowsOnArrival() {
    if (!JoinHeldRows()) {
        return false;
    }
    if (!Succeeded()) {
        WriteDiagnostic(FailureLine(), kLevelError);
    }
    return true;
}

bool ThreadDBMySQLExecuteForSysLog::KeptAfterRefusal() {
    return caches_.Hold().Hold(AsHeldRow(), StatusMessage()) == RowOutageHold::Outcome::kHeld;
}

bool ThreadDBMySQLExecuteForSysLog::Submitted() {
    if (mode_ != RowConnectionMode::kCombinedInserts || !IsReceiversStatement()) {
        // Any other statement runs as it is.
        return false;
    }
    std::shared_ptr<RowConnectionCache> cache;
    try {
        RequireDriver(driverLibraryPath_);
        cache = caches_.For(parameters_);
    } catch (const std::exception&) {
        // Store meets the same failure and reports it.
        return false;
    }
    row_ = CombinableRow{};
    row_.head = kReceiverHead;
    row_.values = std::string_view(statement_).substr(kReceiverHead.size());
    row_.table = kSyslogTable;
    BindValues();
    return cache->Submit(*this);
}

// The values as the server stores them from the statement's text: the four values are escaped
// exactly, and the receivers' message has no escapes but doubled backslashes. Values that are not
// plain UTF-8 go as text, so that the server judges them as it would alone.
void ThreadDBMySQLExecuteForSysLog::BindValues() {
    storedMessage_.clear();
    storedMessage_.reserve(message_.size());
    for (std::size_t at = 0; at < message_.size(); ++at) {
        storedMessage_ += message_[at];
        if (message_[at] == '\\') {
            if (at + 1 == message_.size() || message_[at + 1] != '\\') {
                // Escaped some other way: only the server reads it right.
                return;
            }
            ++at;
        }
    }
    const std::array<std::string_view, 5> values{time_, source_, facility_, severity_,
                                                 storedMessage_};
    for (const std::string_view value : values) {
        if (!IsPlainUtf8(value)) {
            return;
        }
    }
    row_.boundStatement = kBoundInsert;
    std::copy(values.begin(), values.end(), row_.bound.begin());
    row_.boundCount = values.size();
}

bool ThreadDBMySQLExecuteForSysLog::IsReceiversStatement() const {
    if (builtHere_) {
        return true;
    }
    const std::string values = SyslogInsertValues(time_, source_, facility_, severity_, message_);
    return statement_.size() == kReceiverHead.size() + values.size() &&
           statement_.starts_with(kReceiverHead) && statement_.ends_with(values);
}

void ThreadDBMySQLExecuteForSysLog::Store(RowConnectionLease& lease) {
    RequireDriver(driverLibraryPath_);
    lease = mode_ == RowConnectionMode::kOwnConnection ? RowConnectionLease::Own(parameters_)
                                                       : caches_.For(parameters_)->Borrow();
    if (!lease.Open().Connected()) {
        RecordFailure(Place() + " MySQL Connection Error]");
        return;
    }
    SetResultDetail(Place() + " MySQL Connection Succeed]");
    if (TrimControlAndSpaces(statement_).empty()) {
        return;
    }
    try {
        lease.Execute(statement_);
        return;
    } catch (const std::exception& error) {
        if (Unreachable(error)) {
            throw;
        }
        // Refused: the retries below store what they can of the message.
    }
    RetryCleaned(lease);
}

void ThreadDBMySQLExecuteForSysLog::Stored() noexcept {
    SetResultDetail(Place() + " MySQL Connection Succeed]");
    End();
}

void ThreadDBMySQLExecuteForSysLog::StoreAlone(RowConnectionLease& lease) noexcept {
    SetResultDetail(Place() + " MySQL Connection Succeed]");
    try {
        try {
            lease.Execute(statement_);
        } catch (const std::exception& error) {
            if (Unreachable(error)) {
                throw;
            }
            RetryCleaned(lease);
        }
    } catch (const std::exception& error) {
        HoldOrFail(error.what());
    }
    End();
}

void ThreadDBMySQLExecuteForSysLog::Parked() noexcept {
    // The row waits in the cache, which bounds how many wait: the pool's place goes to the
    // next item. The run still ends only once the row is stored.
    completion_.FreePlace();
}

void ThreadDBMySQLExecuteForSysLog::ConnectionFailed(std::string_view error,
                                                     bool unreachable) noexcept {
    if (unreachable) {
        HoldOrFail(error);
    } else {
        RecordFailure(Place() +
                      " MySQL Connection Error:" + std::string(TrimControlAndSpaces(error)) + "]");
    }
    End();
}

void ThreadDBMySQLExecuteForSysLog::HoldOrFail(std::string_view error) {
    RecordHold(caches_.Hold().Hold(AsHeldRow(), error), error);
}

void ThreadDBMySQLExecuteForSysLog::RecordHold(RowOutageHold::Outcome outcome,
                                               std::string_view error) {
    switch (outcome) {
        case RowOutageHold::Outcome::kHeld:
            SetResultDetail(Place() + " MySQL Row Held]");
            return;
        case RowOutageHold::Outcome::kSpoolFull:
            RecordFailure(Place() +
                          " MySQL Row Spool Full: the row spool reached its limit, SpoolLimitMB]");
            return;
        case RowOutageHold::Outcome::kNotHeld:
            RecordFailure(Place() + " MySQL Connection Error:" +
                          std::string(TrimControlAndSpaces(error)) + "]");
            return;
    }
}

HeldRow ThreadDBMySQLExecuteForSysLog::AsHeldRow() const {
    return HeldRow{statement_, time_, source_, facility_, severity_, message_};
}

void ThreadDBMySQLExecuteForSysLog::End() noexcept {
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - started_;
    elapsed_ = std::llround(took.count());
    if (std::binary_semaphore* ended = directEnd_) {
        ended->release();
        return;
    }
    WorkItemCompletion completion = std::move(completion_);
    completion.Complete();
}

void ThreadDBMySQLExecuteForSysLog::RetryCleaned(RowConnectionLease& lease) {
    std::string tried = CleanedStatement(MessageCleaning::kMode1);
    try {
        lease.Execute(tried);
        return;
    } catch (const std::exception& error) {
        if (Unreachable(error)) {
            throw;
        }
        // The last attempt follows with less of the message.
    }
    tried = CleanedStatement(MessageCleaning::kMode2);
    try {
        lease.Execute(tried);
    } catch (const std::exception& error) {
        if (Unreachable(error)) {
            throw;
        }
        MarkFailed();
        AppendResultDetail(" " + Place() +
                           " SQL Error:" + std::string(TrimControlAndSpaces(error.what())) +
                           " : (" + statement_ + " | " + tried + ")]");
    }
}

std::string ThreadDBMySQLExecuteForSysLog::CleanedStatement(MessageCleaning mode) const {
    return CleanedSyslogInsertStatement(AsHeldRow(), mode);
}

// "[host:port@database", how every detail of the job begins.
std::string ThreadDBMySQLExecuteForSysLog::Place() const {
    return "[" + parameters_.HostName + ":" + parameters_.Port + "@" + parameters_.Database;
}

void ThreadDBMySQLExecuteForSysLog::MarkFailed() {
    SetSucceeded(false);
    SetResultText(std::string(kFailed));
}

void ThreadDBMySQLExecuteForSysLog::RecordFailure(std::string detail) {
    MarkFailed();
    SetResultDetail(std::move(detail));
}

void WarmUpSyslogRowConnections(const EngineSettings& settings, RowConnectionCaches& caches) {
    try {
        RequireDriver(DriverLibraryPath(settings.AppPath));
        caches
            .For(ConnectionParameters{settings.Database.Host, settings.Database.Port,
                                      settings.Database.DBUsername, settings.Database.DBPassword,
                                      std::string(kDefaultDatabaseName)})
            ->WarmUp(kSyslogTable);
    } catch (const std::exception&) {
        // The row jobs meet the same failure and report it.
    }
}

std::unique_ptr<ThreadDBMySQLExecuteForSysLog> MakeSyslogRowJob(const EngineSettings& settings,
                                                                RowConnectionCaches& caches,
                                                                const SyslogRecord& record,
                                                                ContentEscaping escaping,
                                                                RowConnectionMode mode) {
    std::string message = EscapeSyslogContent(record.Content, escaping);
    std::string statement = BuildSyslogInsertStatement(record, message);
    auto job = std::make_unique<ThreadDBMySQLExecuteForSysLog>(
        std::string(kInsertOperation), settings.Database.Host, settings.Database.Port,
        std::string(kDefaultDatabaseName), settings.Database.DBUsername,
        settings.Database.DBPassword, std::move(statement), record.TimeStamp, record.Source,
        record.FacilityName, record.SeverityName, std::move(message),
        DriverLibraryPath(settings.AppPath), caches, mode);
    job->builtHere_ = true;
    return job;
}

}  // namespace trevalon
