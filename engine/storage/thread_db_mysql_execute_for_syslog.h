#pragma once

// The row job: the work item that stores one received message in table syslog, alone or
// combined with others waiting at the same moment, with its cleaned retries.

#include <chrono>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <string>
#include <string_view>

#include "engine/pool/delivery_work_item.h"
#include "engine/storage/database_client.h"
#include "engine/storage/row_connection_caches.h"
#include "engine/storage/row_spool.h"
#include "engine/storage/syslog_escaping.h"
#include "engine/storage/syslog_insert_statements.h"
#include "foundation/engine_settings.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// How a row job reaches the server.
enum class RowConnectionMode {
    // A connection of its own, opened and closed for this one row.
    kOwnConnection,
    // One of the connections cached for its parameters, given back afterwards.
    kSharedConnections,
    // The same, and rows that wait for a connection at the same moment are stored by one
    // statement; when that fails, each row goes through its own attempts. A waiting row holds
    // no worker thread.
    kCombinedInserts,
};

// Stores one received message in table syslog. The first attempt runs the receiver's
// statement; when the server refuses it, two more follow with the message cleaned in mode 1 and
// then mode 2. The outcome is in Succeeded ("Passed" until a failure, then "Failed"),
// ResultDetail and Elapsed.
class ThreadDBMySQLExecuteForSysLog : public DeliveryWorkItem, private PendingRow {
  public:
    // Connects only when executed. `message` is the escaped Content; `driverLibraryPath` is the
    // client library, loaded on first use; `caches` holds the shared connections and must
    // outlive the job.
    ThreadDBMySQLExecuteForSysLog(std::string operationName, std::string host, std::string port,
                                  std::string databaseName, std::string userName,
                                  std::string password, std::string statement, std::string time,
                                  std::string source, std::string facility, std::string severity,
                                  std::string message, std::string driverLibraryPath,
                                  RowConnectionCaches& caches,
                                  RowConnectionMode mode = RowConnectionMode::kCombinedInserts);

    // Never raises. Under a pool the item's run ends when its row is stored, which may be after
    // Execute returned; run directly, Execute returns once the row is stored.
    void Execute() override;

    // Receiver thread, instead of queueing the job: while rows are held, the row joins them here,
    // in the order the messages arrived, and a row that the spool cannot take is reported at
    // once. True when the job is done with; false when it goes to the pool as usual.
    bool JoinedHeldRowsOnArrival();

    // Turned away by a full pool: the row joins the held rows, stored when the server has caught
    // up, unless the hold cannot take it.
    bool KeptAfterRefusal() override;

    const std::string& OperationName() const { return operationName_; }
    const std::string& Statement() const { return statement_; }
    // Whole milliseconds the execution took, rounded.
    std::int64_t Elapsed() const { return elapsed_; }

  private:
    friend std::unique_ptr<ThreadDBMySQLExecuteForSysLog> MakeSyslogRowJob(const EngineSettings&,
                                                                           RowConnectionCaches&,
                                                                           const SyslogRecord&,
                                                                           ContentEscaping,
                                                                           RowConnectionMode);

    void BindValues();
    // Whether the statement is the receivers' statement for the job's values.
    bool IsReceiversStatement() const;
    // While rows are held, adds the row to them and records the outcome; false otherwise.
    bool JoinHeldRows();
    // The same, and the run ends when the row joined them.
    bool JoinedHeldRows();
    // True when the shared connections took the row to store it with others.
    bool Submitted();
    void Store(RowConnectionLease& lease);
    void RetryCleaned(RowConnectionLease& lease);
    // The row's ends, each followed by End.
    const CombinableRow& Row() const override { return row_; }
    void Stored() noexcept override;
    void StoreAlone(RowConnectionLease& lease) noexcept override;
    void ConnectionFailed(std::string_view error, bool unreachable) noexcept override;
    // The server cannot be reached: the row is held, or fails when it cannot be.
    void HoldOrFail(std::string_view error);
    void RecordHold(RowOutageHold::Outcome outcome, std::string_view error);
    HeldRow AsHeldRow() const;
    void Parked() noexcept override;
    // Records the elapsed time and ends the run; the item may be gone when this returns.
    void End() noexcept;
    std::string CleanedStatement(MessageCleaning mode) const;
    std::string Place() const;
    void MarkFailed();
    void RecordFailure(std::string detail);

    std::string operationName_;
    ConnectionParameters parameters_;
    std::string statement_;
    std::string time_;
    std::string source_;
    std::string facility_;
    std::string severity_;
    std::string message_;
    std::string driverLibraryPath_;
    RowConnectionCaches& caches_;
    RowConnectionMode mode_;
    std::int64_t elapsed_ = 0;
    // Known to be the receivers' statement, because it was built here.
    bool builtHere_ = false;
    CombinableRow row_;
    // The message as the statement stores it, for the combined insert.
    std::string storedMessage_;
    std::chrono::steady_clock::time_point started_{};
    WorkItemCompletion completion_;
    // Set when Execute runs outside a pool and waits for the row's end.
    std::binary_semaphore* directEnd_ = nullptr;
};

// Opens a shared connection for the row jobs of these settings, so that the first message does
// not wait for it. Never raises.
void WarmUpSyslogRowConnections(const EngineSettings& settings, RowConnectionCaches& caches);

// The row job for one received message with the database settings given: Content escaped the
// given way, the statement built as above, database "trevalon", operation "Insert".
std::unique_ptr<ThreadDBMySQLExecuteForSysLog> MakeSyslogRowJob(
    const EngineSettings& settings, RowConnectionCaches& caches, const SyslogRecord& record,
    ContentEscaping escaping = ContentEscaping::kService,
    RowConnectionMode mode = RowConnectionMode::kCombinedInserts);

}  // namespace trevalon
