#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/alarms/delivery_work_item.h"
#include "engine/storage/database_client.h"
#include "engine/storage/syslog_escaping.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

class RowConnectionLease;

// How a row job reaches the server.
enum class RowConnectionMode {
    // A connection of its own, opened and closed for this one row.
    kOwnConnection,
    // One of the connections cached for its parameters, given back afterwards.
    kSharedConnections,
    // The same, and rows whose first insert waits at the same moment are stored by one
    // statement; when that fails, each row goes through its own attempts.
    kCombinedInserts,
};

// The receivers' statement for one message: "insert into syslog (syslog_datetime,ip,facility,
// severity,msg) values (" with TimeStamp, Source, FacilityName, SeverityName and the escaped
// Content in double quotes, separated by commas, then ")". The four values are escaped so that
// nothing in them ends their quotes; the Content must already be escaped (EscapeSyslogContent).
std::string BuildSyslogInsertStatement(const SyslogRecord& record, std::string_view escapedContent);

// Stores one received message in table syslog. The first attempt runs the receiver's
// statement; when the server refuses it, two more follow with the message cleaned in mode 1 and
// then mode 2. The outcome is in Succeeded ("Passed" until a failure, then "Failed"),
// ResultDetail and Elapsed.
class ThreadDBMySQLExecuteForSysLog : public DeliveryWorkItem {
  public:
    // Connects only when executed. `message` is the escaped Content; `driverLibraryPath` is the
    // client library, loaded on first use.
    ThreadDBMySQLExecuteForSysLog(std::string operationName, std::string host, std::string port,
                                  std::string databaseName, std::string userName,
                                  std::string password, std::string statement, std::string time,
                                  std::string source, std::string facility, std::string severity,
                                  std::string message, std::string driverLibraryPath,
                                  RowConnectionMode mode = RowConnectionMode::kCombinedInserts);

    // Never raises.
    void Execute() override;

    const std::string& OperationName() const { return operationName_; }
    const std::string& Statement() const { return statement_; }
    // Whole milliseconds the execution took, rounded.
    std::int64_t Elapsed() const { return elapsed_; }

  private:
    void Store(RowConnectionLease& lease);
    bool StoredCombined(RowConnectionLease& lease);
    void RetryCleaned(RowConnectionLease& lease);
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
    RowConnectionMode mode_;
    std::int64_t elapsed_ = 0;
};

// The row job for one received message with the installation's database settings: Content
// escaped the given way, the statement built as above, database "trevalon", operation "Insert".
std::unique_ptr<ThreadDBMySQLExecuteForSysLog> MakeSyslogRowJob(
    const SyslogRecord& record, ContentEscaping escaping = ContentEscaping::kService,
    RowConnectionMode mode = RowConnectionMode::kCombinedInserts);

}  // namespace trevalon
