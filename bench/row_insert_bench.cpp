// Rows per second stored into the local MariaDB server through the work-item pool with the
// service's NoConcurrentAlarm of 500, for a burst of 100,000 row jobs queued at once, three ways:
// a connection of its own per row, the shared connections, and the shared connections with
// combined inserts. The queue-length limit is off so that the whole burst is admitted. Each way
// runs with the pool's default worker threads and with 64 runners, since a job that waits on the
// server holds its runner until the pool sees it as blocked; combined inserts also run with fewer
// shared connections than the default 8. Counters:
// rows_per_second (stored rows over the time from the first queueing to the last completion),
// stored, failed (jobs that did not store their row) and connections (the cache's, at the end).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "engine/pool/thread_pool_manager.h"
#include "engine/storage/row_connection_caches.h"
#include "engine/storage/schema_statements.h"
#include "engine/storage/syslog_escaping.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "foundation/engine_settings.h"
#include "foundation/event_loop.h"

namespace trevalon {
namespace {

constexpr int kBurst = 100000;

// The settings' defaults: the local server's administrator over its socket.
const EngineSettings::DatabaseSection kDatabase;

// The connections the row jobs share, as an engine holds them.
RowConnectionCaches& Caches() {
    static RowConnectionCaches caches;
    return caches;
}

ConnectionParameters Server(std::string database) {
    const EngineSettings::DatabaseSection& settings = kDatabase;
    return {settings.Host, settings.Port, settings.DBUsername, settings.DBPassword,
            std::move(database)};
}

// A database of the benchmark's own with the system's tables, dropped at the end.
class BenchDatabase {
  public:
    BenchDatabase() : name_("trevalon_bench_rows_" + std::to_string(getpid())) {
        std::string error;
        if (!LoadDatabaseLibrary(TREVALON_SYSTEM_MARIADB_LIBRARY, &error)) {
            throw DatabaseError("cannot load the client library: " + error);
        }
        admin_.Connect(Server(""));
        admin_.Execute("DROP DATABASE IF EXISTS " + name_);
        admin_.Execute(CreateDatabaseStatement(name_));
        admin_.Connect(Server(name_));
        for (const TableSchema& table : SchemaTables(name_)) {
            for (const std::string& statement : table.Statements) {
                admin_.Execute(statement);
            }
        }
    }
    ~BenchDatabase() {
        try {
            admin_.Execute("DROP DATABASE IF EXISTS " + name_);
        } catch (const DatabaseError&) {
            // A leftover is dropped by the next run.
        }
    }

    const std::string& Name() const { return name_; }
    void Empty() { admin_.Execute("TRUNCATE TABLE syslog"); }
    std::int64_t Stored() {
        return admin_.Query("SELECT count(*) AS n FROM syslog").Integer(0, "n");
    }

  private:
    std::string name_;
    DatabaseConnection admin_;
};

// The pool's owner: a thread of its own that runs the loop on which completions arrive.
class RowPoolOwner {
  public:
    explicit RowPoolOwner(std::size_t runners) {
        std::promise<void> ready;
        thread_ = std::thread([this, runners, &ready] {
            EventLoop loop;
            PoolWorkerOptions workers;
            workers.runners = runners;
            TOrlThreadPoolManager pool(loop, workers);
            pool.SetMaxPooled(500);
            pool.SetMaxQueueLength(0);
            pool.SetMaxQueuedTime(600);
            pool.SetOnWorkItemDone([this](TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
                const auto& job = static_cast<const ThreadDBMySQLExecuteForSysLog&>(item);
                std::lock_guard lock(mutex_);
                if (item.Status() != WorkItemStatus::Completed || !job.Succeeded()) {
                    ++failed_;
                }
                if (++finished_ == awaited_) {
                    done_.notify_all();
                }
            });
            loop_ = &loop;
            pool_ = &pool;
            ready.set_value();
            loop.Run();
        });
        ready.get_future().wait();
    }
    ~RowPoolOwner() {
        loop_->Stop();
        thread_.join();
    }

    TOrlThreadPoolManager& Pool() { return *pool_; }

    // Waits until `count` items have finished; returns how many of them failed.
    std::int64_t WaitFor(std::int64_t count) {
        std::unique_lock lock(mutex_);
        awaited_ = count;
        done_.wait(lock, [this] { return finished_ >= awaited_; });
        return failed_;
    }

  private:
    std::thread thread_;
    EventLoop* loop_ = nullptr;
    TOrlThreadPoolManager* pool_ = nullptr;
    std::mutex mutex_;
    std::condition_variable done_;
    std::int64_t finished_ = 0;
    std::int64_t failed_ = 0;
    std::int64_t awaited_ = -1;
};

std::unique_ptr<ThreadDBMySQLExecuteForSysLog> RowJob(const std::string& database, int row,
                                                      RowConnectionMode mode) {
    SyslogRecord record;
    record.TimeStamp = "2024-03-01 12:00:05";
    record.Source = "192.0.2." + std::to_string(row % 250);
    record.FacilityName = "Local Use Seven";
    record.SeverityName = "Warning";
    record.Content = "%ASA-6-302013: Built outbound TCP connection " + std::to_string(row) +
                     " for outside:198.51.100.7/443 (198.51.100.7/443) to inside:10.0.0.5/51234";
    const EngineSettings::DatabaseSection& settings = kDatabase;
    std::string message = EscapeSyslogContent(record.Content);
    std::string statement = BuildSyslogInsertStatement(record, message);
    return std::make_unique<ThreadDBMySQLExecuteForSysLog>(
        "Insert", settings.Host, settings.Port, database, settings.DBUsername, settings.DBPassword,
        std::move(statement), record.TimeStamp, record.Source, record.FacilityName,
        record.SeverityName, std::move(message), TREVALON_SYSTEM_MARIADB_LIBRARY, Caches(), mode);
}

// Args: the RowConnectionMode, the pool's runner threads (0: its default, one per core) and the
// shared connections.
void BM_RowBurst(benchmark::State& state) {
    const auto mode = static_cast<RowConnectionMode>(state.range(0));
    const auto runners = static_cast<std::size_t>(state.range(1));
    Caches().SetConnections(static_cast<int>(state.range(2)));
    BenchDatabase database;
    std::int64_t stored = 0;
    std::int64_t failed = 0;
    double seconds = 0;
    std::size_t connections = 0;
    for (auto _ : state) {
        database.Empty();
        Caches().CloseAll();
        {
            RowPoolOwner owner(runners);
            const auto start = std::chrono::steady_clock::now();
            for (int row = 0; row < kBurst; ++row) {
                owner.Pool().QueueWorkItem(RowJob(database.Name(), row, mode));
            }
            failed = owner.WaitFor(kBurst);
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime(seconds);
        }
        connections = Caches().For(Server(database.Name()))->ConnectionCount();
        stored = database.Stored();
    }
    Caches().CloseAll();
    state.counters["rows_per_second"] = static_cast<double>(stored) / seconds;
    state.counters["stored"] = static_cast<double>(stored);
    state.counters["failed"] = static_cast<double>(failed);
    state.counters["connections"] = static_cast<double>(connections);
}

BENCHMARK(BM_RowBurst)
    ->ArgNames({"mode", "runners", "connections"})
    ->ArgsProduct({{static_cast<int>(RowConnectionMode::kOwnConnection),
                    static_cast<int>(RowConnectionMode::kSharedConnections),
                    static_cast<int>(RowConnectionMode::kCombinedInserts)},
                   {0, 64},
                   {8}})
    ->ArgsProduct({{static_cast<int>(RowConnectionMode::kCombinedInserts)}, {64}, {1, 2, 4}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace trevalon
