#include "engine/storage/row_outage_hold.h"

#include <cmath>
#include <exception>

#include <mariadb/mysqld_error.h>

#include "engine/storage/row_connection_cache.h"
#include "engine/storage/server_outage.h"
#include "engine/storage/syslog_insert_statements.h"
#include "foundation/diagnostic_log.h"
#include "foundation/text_trimming.h"

namespace trevalon {
namespace {

std::string OutageBeginsLine(std::string_view failure) {
    return "MySQL server cannot take rows; received rows are held until it can : " +
           std::string(TrimControlAndSpaces(failure));
}

std::string OutageEndsLine(std::uint64_t rows, std::chrono::steady_clock::duration took) {
    const auto seconds = std::llround(std::chrono::duration<double>(took).count());
    return "MySQL server takes rows again; " + std::to_string(rows) +
           " held rows were stored after an outage of " + std::to_string(seconds) + " s.";
}

std::string SpoolFoundLine(const std::string& path, std::uint64_t rows) {
    return "Row spool " + path + " holds " + std::to_string(rows) +
           " rows of a former run; they are stored once the MySQL server takes rows.";
}

std::string SpoolCutLine(const std::string& path, std::uint64_t bytes) {
    return "Row spool " + path + " was cut short: " + std::to_string(bytes) +
           " bytes after its last whole row are left out.";
}

std::string SpoolFailedLine(const std::string& failure) {
    return "Row spool cannot be used : " + failure;
}

// Failures after which held rows wait for the next try instead of being given up: the server
// is gone, or the table or database is not there (yet), as while a start-up without the server
// creates them.
bool KeepRows(const DatabaseError& error) {
    return ServerUnreachable(error) || error.ServerCode() == ER_NO_SUCH_TABLE ||
           error.ServerCode() == ER_BAD_DB_ERROR;
}

// The values part of a receivers' statement, or empty for any other statement.
std::string_view ReceiversValues(const HeldRow& row) {
    if (!row.statement.starts_with(kSyslogInsertHead)) {
        return {};
    }
    return std::string_view(row.statement).substr(kSyslogInsertHead.size());
}

}  // namespace

RowOutageHold::RowOutageHold(std::size_t memoryBytes, std::chrono::milliseconds retryInterval)
    : memoryLimit_(memoryBytes), retryInterval_(retryInterval) {}

RowOutageHold::~RowOutageHold() {
    Stop();
}

void RowOutageHold::Start(ConnectionParameters parameters, std::string driverLibraryPath,
                          std::string spoolPath, std::uint64_t spoolLimitBytes) {
    std::vector<std::pair<std::string, int>> lines;
    {
        std::lock_guard lock(mutex_);
        if (started_) {
            return;
        }
        started_ = true;
        parameters_ = std::move(parameters);
        driverLibraryPath_ = std::move(driverLibraryPath);
        spool_.emplace(std::move(spoolPath), spoolLimitBytes);
        try {
            const RowSpool::Found found = spool_->Open();
            if (found.brokenBytes > 0) {
                lines.emplace_back(SpoolCutLine(spool_->Path(), found.brokenBytes), kLevelWarning);
            }
            if (found.rows > 0) {
                lines.emplace_back(SpoolFoundLine(spool_->Path(), found.rows), kLevelInfo);
                holding_ = true;
                heldSinceBegin_ = found.rows;
                outageBegan_ = std::chrono::steady_clock::now();
            }
        } catch (const std::exception& error) {
            lines.emplace_back(SpoolFailedLine(error.what()), kLevelError);
            spool_.reset();
        }
    }
    for (const auto& [line, level] : lines) {
        WriteDiagnostic(line, level);
    }
    storer_ = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
}

void RowOutageHold::Stop() {
    if (storer_.joinable()) {
        storer_.request_stop();
        storer_.join();
    }
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        if (!started_ || stopped_) {
            return;
        }
        stopped_ = true;
        if (memory_.empty()) {
            if (spool_) {
                spool_->Sync();
            }
            return;
        }
        try {
            if (!spool_) {
                throw std::runtime_error("no spool");
            }
            spool_->Prepend(memory_);
            memory_.clear();
            memoryBytes_ = 0;
        } catch (const std::exception& error) {
            failure = std::to_string(memory_.size()) +
                      " held rows could not be kept in the row spool : " + error.what();
        }
    }
    if (!failure.empty()) {
        WriteDiagnostic("MySQL Backup Error : error " + failure, kLevelError);
    }
}

bool RowOutageHold::Holding() const {
    return holding_.load(std::memory_order_acquire);
}

RowOutageHold::Outcome RowOutageHold::JoinHeld(const HeldRow& row) {
    std::lock_guard lock(mutex_);
    if (!holding_) {
        return Outcome::kNotHeld;
    }
    return Add(row);
}

RowOutageHold::Outcome RowOutageHold::Hold(const HeldRow& row, std::string_view failure) {
    Outcome outcome = Outcome::kNotHeld;
    bool began = false;
    {
        std::lock_guard lock(mutex_);
        if (!started_) {
            return Outcome::kNotHeld;
        }
        began = !holding_ && !stopped_;
        if (began) {
            holding_ = true;
            heldSinceBegin_ = 0;
            outageBegan_ = std::chrono::steady_clock::now();
        }
        outcome = Add(row);
    }
    if (began) {
        WriteDiagnostic(OutageBeginsLine(failure), kLevelWarning);
        wake_.notify_all();
    }
    return outcome;
}

std::uint64_t RowOutageHold::HeldRows() const {
    std::lock_guard lock(mutex_);
    return memory_.size() + (spool_ ? spool_->Rows() : 0);
}

// Memory first, while the spool is empty: the spool only ever holds rows newer than those in
// memory, and memory is stored first.
RowOutageHold::Outcome RowOutageHold::Add(const HeldRow& row) {
    const std::size_t footprint = HeldRowFootprint(row);
    const bool spoolEmpty = !spool_ || spool_->Empty();
    if (!stopped_ && spoolEmpty && memoryBytes_ + footprint <= memoryLimit_) {
        memory_.push_back(row);
        memoryBytes_ += footprint;
        ++heldSinceBegin_;
        return Outcome::kHeld;
    }
    try {
        if (spool_ && spool_->Append(row)) {
            ++heldSinceBegin_;
            return Outcome::kHeld;
        }
    } catch (const std::exception&) {
        // A spool that cannot be written is as full as one at its limit.
    }
    return Outcome::kSpoolFull;
}

RowOutageHold::Batch RowOutageHold::Take() {
    Batch batch;
    if (!memory_.empty()) {
        std::size_t bytes = 0;
        for (auto row = memory_.begin();
             row != memory_.end() && batch.rows.size() < kBatchRows && bytes < kBatchBytes; ++row) {
            bytes += row->statement.size();
            batch.rows.push_back(*row);
        }
        return batch;
    }
    if (spool_ && !spool_->Empty()) {
        batch.rows = spool_->Peek(kBatchRows, kBatchBytes);
        batch.fromSpool = true;
    }
    return batch;
}

void RowOutageHold::Run(std::stop_token stop) {
    DatabaseConnection connection;
    // Whether the table takes many rows in one statement; asked again while it is not known.
    std::optional<bool> combine;
    // Refusals are logged when they change, not at every retry.
    std::string lastRefusal;
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return holding_.load(); })) {
                return;
            }
            try {
                batch = Take();
            } catch (const std::exception&) {
                // Tried again after the retry interval.
            }
        }
        if (batch.rows.empty()) {
            // Only a spool that cannot be read gives nothing while rows are held.
            if (!WaitForRetry(stop)) {
                return;
            }
            continue;
        }
        if (!connection.Connected()) {
            try {
                std::string error;
                if (!LoadDatabaseLibrary(driverLibraryPath_, &error)) {
                    throw DatabaseError(error);
                }
                connection.Connect(parameters_);
            } catch (const DatabaseError& error) {
                connection.Disconnect();
                if (!ServerUnreachable(error) && lastRefusal != error.what()) {
                    // The server answers but refuses: a person must mend it, the rows wait.
                    lastRefusal = error.what();
                    WriteDiagnostic(OutageBeginsLine(error.what()), kLevelWarning);
                }
                if (!WaitForRetry(stop)) {
                    return;
                }
                continue;
            }
        }
        if (!combine) {
            try {
                combine = TableUndoesFailedStatements(connection, "syslog");
            } catch (const DatabaseError&) {
                // The insert meets the same failure.
            }
        }
        const std::size_t stored = Store(connection, batch.rows, combine.value_or(false));
        std::string endLine;
        std::string spoolFailure;
        {
            std::lock_guard lock(mutex_);
            if (batch.fromSpool) {
                try {
                    spool_->Consume(stored);
                } catch (const std::exception& error) {
                    // The rows are stored; the spool may offer them again after a restart.
                    spoolFailure = SpoolFailedLine(error.what());
                }
            } else {
                for (std::size_t i = 0; i < stored; ++i) {
                    memoryBytes_ -= HeldRowFootprint(memory_.front());
                    memory_.pop_front();
                }
            }
            if (memory_.empty() && (!spool_ || spool_->Empty())) {
                holding_ = false;
                endLine = OutageEndsLine(heldSinceBegin_,
                                         std::chrono::steady_clock::now() - outageBegan_);
            }
        }
        if (!spoolFailure.empty()) {
            WriteDiagnostic(spoolFailure, kLevelError);
        }
        if (!endLine.empty()) {
            WriteDiagnostic(endLine, kLevelInfo);
        }
        if (stored < batch.rows.size()) {
            connection.Disconnect();
            if (!WaitForRetry(stop)) {
                return;
            }
        }
    }
}

std::size_t RowOutageHold::Store(DatabaseConnection& connection, const std::vector<HeldRow>& rows,
                                 bool combine) {
    if (rows.size() > 1 && combine) {
        std::string statement(kSyslogInsertHead);
        bool combinable = true;
        for (const HeldRow& row : rows) {
            const std::string_view values = ReceiversValues(row);
            combinable = combinable && !values.empty();
            if (&row != &rows.front()) {
                statement += ',';
            }
            statement += values;
        }
        if (combinable) {
            try {
                connection.Execute(statement);
                return rows.size();
            } catch (const DatabaseError& error) {
                if (KeepRows(error)) {
                    return 0;
                }
                // A row the server refuses: each goes through its own attempts.
            }
        }
    }
    std::size_t stored = 0;
    for (const HeldRow& row : rows) {
        if (!StoreOne(connection, row)) {
            break;
        }
        ++stored;
    }
    return stored;
}

bool RowOutageHold::StoreOne(DatabaseConnection& connection, const HeldRow& row) {
    const std::string cleaned1 = CleanedSyslogInsertStatement(row, MessageCleaning::kMode1);
    const std::string cleaned2 = CleanedSyslogInsertStatement(row, MessageCleaning::kMode2);
    for (const std::string* statement : {&row.statement, &cleaned1, &cleaned2}) {
        try {
            connection.Execute(*statement);
            return true;
        } catch (const DatabaseError& error) {
            if (KeepRows(error)) {
                return false;
            }
            if (statement == &cleaned2) {
                WriteDiagnostic("MySQL Backup Error : error " + Place() + " SQL Error:" +
                                    std::string(TrimControlAndSpaces(error.what())) + " : (" +
                                    row.statement + " | " + cleaned2 + ")]",
                                kLevelError);
            }
        }
    }
    return true;
}

bool RowOutageHold::WaitForRetry(std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, stop, retryInterval_, [] { return false; });
    return !stop.stop_requested();
}

std::string RowOutageHold::Place() const {
    return "[" + parameters_.HostName + ":" + parameters_.Port + "@" + parameters_.Database;
}

}  // namespace trevalon
