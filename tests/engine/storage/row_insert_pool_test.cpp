#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/pool/thread_pool_manager.h"
#include "engine/storage/row_connection_caches.h"
#include "foundation/event_loop.h"
#include "tests/engine/storage/row_insert_test_support.h"

namespace trevalon {
namespace {

using testing::RowInsertTest;
using testing::TestRecord;

struct Outcome {
    std::string message;
    WorkItemStatus status = WorkItemStatus::Completed;
    bool succeeded = false;
    std::string resultText;
    std::string detail;
};

// The service's pool on the test's thread: NoConcurrentAlarm 500, no queue-length limit so that
// a burst is admitted whole, QueningSecond 600.
class RowPool {
  public:
    explicit RowPool(int maxPooled = 500, int maxQueueLength = 0) : pool_(loop_) {
        pool_.SetMaxPooled(maxPooled);
        pool_.SetMaxQueueLength(maxQueueLength);
        pool_.SetMaxQueuedTime(600);
        pool_.SetOnWorkItemDone([this](TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
            const auto& job = dynamic_cast<const ThreadDBMySQLExecuteForSysLog&>(item);
            outcomes_.push_back({job.Statement(), item.Status(), job.Succeeded(), job.ResultText(),
                                 job.ResultDetail()});
            if (outcomes_.size() >= awaited_) {
                loop_.Stop();
            }
        });
    }

    void Queue(std::unique_ptr<ThreadDBMySQLExecuteForSysLog> job) {
        pool_.QueueWorkItem(std::move(job));
    }

    TOrlThreadPoolManager& Pool() { return pool_; }

    const std::vector<Outcome>& RunUntilDone(std::size_t count) {
        awaited_ = count;
        bool timedOut = false;
        const TimerId watchdog =
            loop_.StartTimer(std::chrono::minutes(5), TimerMode::kOneShot, [&] {
                timedOut = true;
                loop_.Stop();
            });
        if (outcomes_.size() < awaited_) {
            loop_.Run();
        }
        loop_.StopTimer(watchdog);
        EXPECT_FALSE(timedOut) << outcomes_.size() << " of " << count << " finished";
        return outcomes_;
    }

  private:
    EventLoop loop_;
    TOrlThreadPoolManager pool_;
    std::vector<Outcome> outcomes_;
    std::size_t awaited_ = 0;
};

// Bounded: the jobs reach the cache on the pool's threads in their own time.
bool AwaitWaiting(const RowConnectionCache& cache, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (cache.WaitingCount() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

std::int64_t InsertStatementsRun(RowConnectionLease& lease) {
    return lease.Open().Query("SHOW SESSION STATUS LIKE 'Com_insert'").Integer(0, "Value");
}

class RowBurst : public RowInsertTest, public ::testing::WithParamInterface<RowConnectionMode> {};

INSTANTIATE_TEST_SUITE_P(SharedModes, RowBurst,
                         ::testing::Values(RowConnectionMode::kSharedConnections,
                                           RowConnectionMode::kCombinedInserts),
                         testing::ModeName);

TEST_P(RowBurst, FiveThousandRowsQueuedAtOnceAreAllStoredOnce) {
    constexpr int kRows = 5000;
    RowPool pool;
    for (int row = 0; row < kRows; ++row) {
        pool.Queue(Job(TestRecord("burst row " + std::to_string(row)), GetParam()));
    }
    const std::vector<Outcome>& outcomes = pool.RunUntilDone(kRows);
    ASSERT_EQ(outcomes.size(), static_cast<std::size_t>(kRows));
    int failures = 0;
    for (const Outcome& outcome : outcomes) {
        if (outcome.status != WorkItemStatus::Completed || !outcome.succeeded) {
            ADD_FAILURE() << outcome.detail << " / " << WorkItemStatusText(outcome.status);
            if (++failures > 5) {
                break;
            }
        }
    }
    const QueryResult counts = database_.Connection().Query(
        "SELECT count(*) AS total, count(DISTINCT msg) AS distinct_rows FROM syslog");
    EXPECT_EQ(counts.Integer(0, "total"), kRows);
    EXPECT_EQ(counts.Integer(0, "distinct_rows"), kRows);
    EXPECT_LE(caches_.For(Parameters())->ConnectionCount(),
              static_cast<std::size_t>(EngineSettings{}.DbBackup.Connections));
}

// With the only connection held by the test, the rows pile up and go in together once it is
// given back.
class CombinedRows : public RowInsertTest {
  protected:
    static constexpr int kRows = 20;

    CombinedRows() {
        caches_.SetConnections(1);
        cache_ = caches_.For(Parameters());
        held_ = cache_->Borrow();
        insertsBefore_ = InsertStatementsRun(held_);
    }

    // Runs the jobs on threads of their own and gives the connection back once all wait.
    void RunTogether(std::vector<std::unique_ptr<ThreadDBMySQLExecuteForSysLog>>& jobs) {
        {
            std::vector<std::jthread> threads;
            for (auto& job : jobs) {
                threads.emplace_back([&job] { job->Execute(); });
            }
            ASSERT_TRUE(AwaitWaiting(*cache_, jobs.size()));
            held_ = {};
        }
        held_ = cache_->Borrow();
    }

    std::int64_t InsertStatementsSince() { return InsertStatementsRun(held_) - insertsBefore_; }

    void RunWithARefusedRow();
    // Stores the contents once each alone and once together, expects the same rows and outcomes,
    // and returns the insert statements the rows together took.
    std::int64_t CompareWithAlone(const std::vector<std::string>& contents);

    std::shared_ptr<RowConnectionCache> cache_;
    RowConnectionLease held_;
    std::int64_t insertsBefore_ = 0;
};

TEST_F(CombinedRows, RowsWaitingTogetherGoInOneStatement) {
    std::vector<std::unique_ptr<ThreadDBMySQLExecuteForSysLog>> jobs;
    for (int row = 0; row < kRows; ++row) {
        jobs.push_back(Job(TestRecord("together " + std::to_string(row)),
                           RowConnectionMode::kCombinedInserts));
    }
    RunTogether(jobs);
    for (const auto& job : jobs) {
        EXPECT_TRUE(job->Succeeded());
        EXPECT_EQ(job->ResultText(), "Passed");
        EXPECT_EQ(job->ResultDetail(), Place() + " MySQL Connection Succeed]");
    }
    EXPECT_EQ(InsertStatementsSince(), 1);
    EXPECT_EQ(StoredMessages().size(), static_cast<std::size_t>(kRows));
}

// Twenty rows wait together; the server refuses row 7. Every other row is stored once, and row 7
// ends as it would alone.
void CombinedRows::RunWithARefusedRow() {
    constexpr int kRefused = 7;
    // Longer than column ip holds: the server refuses it in strict mode, whatever the message.
    const std::string longSource(101, 'h');
    std::vector<std::unique_ptr<ThreadDBMySQLExecuteForSysLog>> jobs;
    for (int row = 0; row < kRows; ++row) {
        jobs.push_back(Job(TestRecord("row " + std::to_string(row) + "; it's",
                                      row == kRefused ? longSource : "192.0.2.7"),
                           RowConnectionMode::kCombinedInserts));
    }
    RunTogether(jobs);

    std::multiset<std::string> expected;
    for (int row = 0; row < kRows; ++row) {
        const auto& job = *jobs[static_cast<std::size_t>(row)];
        if (row != kRefused) {
            EXPECT_TRUE(job.Succeeded()) << job.ResultDetail();
            EXPECT_EQ(job.ResultDetail(), Place() + " MySQL Connection Succeed]");
            expected.insert("row " + std::to_string(row) + "  it s");
            continue;
        }
        EXPECT_FALSE(job.Succeeded());
        EXPECT_EQ(job.ResultText(), "Failed");
        const std::string values = "(\"2024-03-01 12:00:05\",\"" + longSource +
                                   "\",\"Local Use Seven\",\"Warning\",\"row 7  it s\")";
        EXPECT_EQ(job.ResultDetail(),
                  Place() + " MySQL Connection Succeed] " + Place() +
                      " SQL Error:Data too long for column 'ip' at row 1 : (insert into syslog "
                      "(syslog_datetime,ip,facility,severity,msg) values " +
                      values +
                      " | INSERT INTO syslog (syslog_datetime,ip,facility,severity,msg) VALUES " +
                      values + ")]");
    }
    const std::vector<std::string> stored = StoredMessages();
    EXPECT_EQ(std::multiset<std::string>(stored.begin(), stored.end()), expected);
}

TEST_F(CombinedRows, ARefusedRowGoesThroughItsOwnAttemptsAndNoRowIsStoredTwice) {
    RunWithARefusedRow();
    // The combined statement, each row's own first attempt, the refused row's two retries.
    EXPECT_EQ(InsertStatementsSince(), 1 + kRows + 2);
}

// Such an engine keeps the rows before a failure, or stores a value cut short where one row
// alone would be refused: rows into it never go together.
TEST_F(CombinedRows, RowsForATableThatCannotUndoAFailedStatementGoAlone) {
    database_.Execute("ALTER TABLE syslog ENGINE = MyISAM");
    RunWithARefusedRow();
    EXPECT_EQ(InsertStatementsSince(), kRows + 2);
}

// Rows stored together carry their values bound, not as text: each must still store exactly
// what its own statement stores. Contents the server would refuse go as text and take their own
// attempts.
TEST_F(CombinedRows, RowsStoredTogetherStoreWhatEachStoresAlone) {
    // The first set goes as bound values; in the second, two rows can only go as text.
    const std::vector<std::string> bindable = {
        "back\\slash \\n not a line feed",         "semi;colon 'single' \"double\"",
        "tab\there, line\nfeed, carriage\rreturn", "percent 100% under_score",
        "emoji \xF0\x9F\x98\x80 and \xC3\xA9",     std::string(2000, 'x'),
    };
    std::vector<std::string> textOnly = bindable;
    textOnly.push_back("not UTF-8 \xFF\xFE end");
    textOnly.push_back(std::string("nul \0 inside", 12));
    EXPECT_EQ(CompareWithAlone(bindable), 1);
    CompareWithAlone(textOnly);
}

std::int64_t CombinedRows::CompareWithAlone(const std::vector<std::string>& contents) {
    std::int64_t togetherStatements = 0;
    const auto storeAll = [&](RowConnectionMode mode) {
        database_.Execute("TRUNCATE TABLE syslog");
        std::vector<std::unique_ptr<ThreadDBMySQLExecuteForSysLog>> jobs;
        for (const std::string& content : contents) {
            jobs.push_back(Job(TestRecord(content), mode));
        }
        if (mode == RowConnectionMode::kCombinedInserts) {
            const std::int64_t before = InsertStatementsRun(held_);
            RunTogether(jobs);
            togetherStatements = InsertStatementsRun(held_) - before;
        } else {
            // The fixture holds the only connection; each row needs it now.
            held_ = {};
            for (auto& job : jobs) {
                job->Execute();
            }
            held_ = cache_->Borrow();
        }
        std::vector<std::string> outcomes;
        for (const auto& job : jobs) {
            outcomes.push_back(job->ResultText() + " " + job->ResultDetail());
        }
        const std::vector<std::string> stored = StoredMessages();
        return std::make_pair(std::multiset<std::string>(stored.begin(), stored.end()), outcomes);
    };
    const auto alone = storeAll(RowConnectionMode::kSharedConnections);
    const auto together = storeAll(RowConnectionMode::kCombinedInserts);
    EXPECT_EQ(together.first, alone.first);
    EXPECT_EQ(together.second, alone.second);
    EXPECT_EQ(alone.first.size(), contents.size());
    return togetherStatements;
}

TEST_F(CombinedRows, ClosingTheConnectionsEndsJobsWaitingOnThePoolWithoutAHang) {
    constexpr int kJobs = 50;
    auto pool = std::make_unique<RowPool>();
    for (int row = 0; row < kJobs; ++row) {
        const RowConnectionMode mode = row % 2 == 0 ? RowConnectionMode::kCombinedInserts
                                                    : RowConnectionMode::kSharedConnections;
        pool->Queue(Job(TestRecord("waiting " + std::to_string(row)), mode));
    }
    ASSERT_TRUE(AwaitWaiting(*cache_, kJobs));
    // The programs' shutdown, once its patience with the rows has run out: cancel the pool's
    // work, then close the shared connections.
    pool->Pool().CancelAllWorkItems();
    caches_.CloseAll(std::chrono::milliseconds(0));
    const std::vector<Outcome> outcomes = pool->RunUntilDone(kJobs);
    ASSERT_EQ(outcomes.size(), static_cast<std::size_t>(kJobs));
    for (const Outcome& outcome : outcomes) {
        EXPECT_EQ(outcome.status, WorkItemStatus::Cancelled);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.detail,
                  Place() + " MySQL Connection Error:The shared database connections are closed]");
    }
    pool.reset();
    held_ = {};
    EXPECT_TRUE(StoredMessages().empty());
}

TEST_F(CombinedRows, RowsWaitingForTheServerGiveTheirPoolPlacesToTheRowsBehindThem) {
    // Two places and two more in the queue: without parking, the fifth row would wait for a
    // place that never frees, and the rows behind it would be refused.
    constexpr int kJobs = 40;
    RowPool pool(2, 2);
    // The only connection is held, as by a statement the server does not answer. The rows come
    // one after another, as messages do.
    bool allWaiting = true;
    for (int row = 0; row < kJobs && allWaiting; ++row) {
        pool.Queue(
            Job(TestRecord("parked " + std::to_string(row)), RowConnectionMode::kCombinedInserts));
        allWaiting = AwaitWaiting(*cache_, static_cast<std::size_t>(row) + 1);
    }
    const std::size_t parked = cache_->ParkedCount();
    const int pooled = pool.Pool().PooledCount();
    const int executing = pool.Pool().ExecutingCount();
    // Given back whatever happened: the pool waits for its rows when it goes.
    held_ = {};
    ASSERT_TRUE(allWaiting);
    EXPECT_EQ(parked, static_cast<std::size_t>(kJobs));
    EXPECT_EQ(pooled, 0);
    EXPECT_EQ(executing, kJobs);

    const std::vector<Outcome>& outcomes = pool.RunUntilDone(kJobs);
    for (const Outcome& outcome : outcomes) {
        EXPECT_EQ(outcome.status, WorkItemStatus::Completed);
        EXPECT_EQ(outcome.resultText, "Passed");
        EXPECT_EQ(outcome.detail, Place() + " MySQL Connection Succeed]");
    }
    EXPECT_EQ(StoredMessages().size(), static_cast<std::size_t>(kJobs));
    EXPECT_EQ(cache_->ParkedCount(), 0U);
}

// A row handed to the cache by hand, as the row jobs hand theirs.
class ProbeRow final : public PendingRow {
  public:
    explicit ProbeRow(const std::string& text)
        : statement_(BuildSyslogInsertStatement(TestRecord(text), text)) {
        const std::size_t values = statement_.find(" values ") + 8;
        row_.head = std::string_view(statement_).substr(0, values);
        row_.values = std::string_view(statement_).substr(values);
        row_.table = "syslog";
    }

    const CombinableRow& Row() const override { return row_; }
    void Stored() noexcept override { end = "stored"; }
    void StoreAlone(RowConnectionLease&) noexcept override { end = "alone"; }
    void ConnectionFailed(std::string_view error, bool) noexcept override { end = error; }
    void Parked() noexcept override { ++parked; }

    std::string end;
    int parked = 0;

  private:
    std::string statement_;
    CombinableRow row_;
};

TEST_F(RowInsertTest, BeyondItsBoundTheCacheParksNoRowAndDrainWaitsForTheRowsHandedIn) {
    auto cache = std::make_shared<RowConnectionCache>(
        Parameters(), 1, RowConnectionCache::kCheckAfterIdle, /*maxParkedRows=*/3);
    cache->WarmUp("syslog");
    std::vector<std::unique_ptr<ProbeRow>> rows;
    RowConnectionLease held = cache->Borrow();
    for (int row = 0; row < 5; ++row) {
        rows.push_back(std::make_unique<ProbeRow>("bounded " + std::to_string(row)));
        ASSERT_TRUE(cache->Submit(*rows.back()));
    }
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(rows[row]->parked, row < 3 ? 1 : 0) << row;
        EXPECT_EQ(rows[row]->end, "") << row;
    }
    EXPECT_EQ(cache->ParkedCount(), 3U);

    // Nobody stores the rows while the connection is held: Drain gives up after its patience.
    cache->Drain(std::chrono::milliseconds(20));
    EXPECT_EQ(cache->WaitingCount(), 5U);
    held = {};
    cache->Drain();
    for (const auto& row : rows) {
        EXPECT_EQ(row->end, "stored");
    }
    EXPECT_EQ(cache->ParkedCount(), 0U);
    EXPECT_EQ(StoredMessages().size(), 5U);
    cache->Close();
}

TEST_F(RowInsertTest, AConnectionTheServerDroppedIsReopenedBeforeUse) {
    auto cache =
        std::make_shared<RowConnectionCache>(Parameters(), 1, std::chrono::milliseconds(0));
    std::int64_t first = 0;
    {
        RowConnectionLease lease = cache->Borrow();
        first = lease.Open().Query("SELECT CONNECTION_ID() AS id").Integer(0, "id");
    }
    database_.Execute("KILL " + std::to_string(first));
    RowConnectionLease lease = cache->Borrow();
    EXPECT_NE(lease.Open().Query("SELECT CONNECTION_ID() AS id").Integer(0, "id"), first);
    lease.Execute(BuildSyslogInsertStatement(TestRecord("after the drop"), "after the drop"));
    EXPECT_EQ(StoredMessages(), std::vector<std::string>{"after the drop"});
    EXPECT_EQ(cache->ConnectionCount(), 1u);
}

}  // namespace
}  // namespace trevalon
