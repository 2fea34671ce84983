#pragma once

// The database connections the row jobs of one server and account share, and the combined
// insert of rows that wait for one at the same moment.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/database_client.h"

namespace trevalon {

class RowConnectionCache;

// Whether the server undoes a failed statement on `table` as a whole, so that a statement with
// many rows either stores all of them or none; no value when there is no such table. Raises
// DatabaseError.
std::optional<bool> TableUndoesFailedStatements(DatabaseConnection& connection,
                                                std::string_view table);

// A connection as the cache keeps it: open, or not yet (re)opened.
struct CachedConnection {
    DatabaseConnection connection;
    // Given back at least once: it may have been closed by the server while it was idle.
    bool reused = false;
    std::chrono::steady_clock::time_point idleSince{};
};

// One connection lent to one job; going out of scope gives it back to its cache, or, for a
// connection of the job's own, closes it. Errors while closing are ignored.
class RowConnectionLease {
  public:
    RowConnectionLease() = default;
    // A connection of the caller's own for `parameters`, not yet opened.
    static RowConnectionLease Own(const ConnectionParameters& parameters);
    RowConnectionLease(std::shared_ptr<RowConnectionCache> cache,
                       std::unique_ptr<CachedConnection> connection);
    RowConnectionLease(RowConnectionLease&& other) noexcept = default;
    RowConnectionLease& operator=(RowConnectionLease&& other) noexcept;
    ~RowConnectionLease();

    explicit operator bool() const { return connection_ != nullptr; }

    // Opens the connection when it is not open, and reopens one that was idle for a while and
    // no longer answers. Raises DatabaseError with the server's or the driver's text.
    DatabaseConnection& Open();
    // Open, then run the statement; raises DatabaseError.
    void Execute(std::string_view statement);
    // The connection, taken out of the lease without giving it back.
    std::unique_ptr<CachedConnection> Release();

  private:
    void GiveBack() noexcept;

    std::shared_ptr<RowConnectionCache> cache_;
    std::shared_ptr<const ConnectionParameters> ownParameters_;
    std::unique_ptr<CachedConnection> connection_;
};

// One row insert that may be stored together with others waiting at the same moment.
struct CombinableRow {
    // Rows combine only when their heads are equal: the statement text before the values.
    std::string_view head;
    // The parenthesised values; head + values is the row's own statement.
    std::string_view values;
    // The table the head inserts into. Only a table whose engine undoes a failed statement as a
    // whole takes combined rows: elsewhere a statement failing halfway would leave the rows
    // before the failure stored, and they would be stored again on their own.
    std::string_view table;
    // The same insert with a parameter marker per value, and the values it stores: the server
    // then reads no value text at all. Empty when the row's values go only as text.
    std::string_view boundStatement;
    std::array<std::string_view, 8> bound{};
    std::size_t boundCount = 0;
};

// A row handed to the cache. The cache ends it exactly once, through one of the three calls
// below, on whatever thread stores it; the row may be gone as soon as that call returns.
class PendingRow {
  public:
    virtual const CombinableRow& Row() const = 0;
    // A statement with this row and others stored it.
    virtual void Stored() noexcept = 0;
    // The row goes through its own attempts on `lease`, whose connection is open.
    virtual void StoreAlone(RowConnectionLease& lease) noexcept = 0;
    // No connection could be opened for the row: `error` is the server's or the driver's text;
    // `unreachable` when the server cannot be reached at the moment (ServerUnreachable).
    virtual void ConnectionFailed(std::string_view error, bool unreachable) noexcept = 0;
    // The cache keeps the row among its parked rows: the row need not hold anything of its
    // caller's while it waits. Called at most once, before the row can be ended.
    virtual void Parked() noexcept = 0;

  protected:
    ~PendingRow() = default;

  private:
    friend class RowConnectionCache;

    // Whether the server undoes a failed statement on `table` as a whole, so that a statement with
    // many rows either stores all of them or none; no value when there is no such table. Raises
    // DatabaseError.
    std::optional<bool> TableUndoesFailedStatements(DatabaseConnection& connection,
                                                    std::string_view table);
    bool parked_ = false;
};

// A bounded set of open connections for one parameter set, shared by the row insert jobs.
// At most `capacity` connections exist; a job finding all of them lent waits for one, first
// come first served. Rows handed in while every connection is busy wait, without a thread, for
// the next connection to come free; whoever holds it then stores all of them with one statement.
// Up to a bound, waiting rows are parked: they give up their pool places, so that a server that
// pauses for a moment does not make the pool turn away the rows behind them.
class RowConnectionCache : public std::enable_shared_from_this<RowConnectionCache> {
  public:
    // A combined statement holds at most this many rows and bytes of values, well inside the
    // smallest max_allowed_packet servers are set to.
    static constexpr std::size_t kMaxCombinedRows = 500;
    static constexpr std::size_t kMaxCombinedBytes = 512 * 1024;
    // A connection idle for longer is checked before use and reopened when the server dropped it.
    static constexpr std::chrono::milliseconds kCheckAfterIdle{1000};
    // A connection that stored at least kStreamingBatch rows starts its next statement no sooner
    // than kGatherWindow after the last one began, unless a whole statement's worth is waiting.
    static constexpr std::size_t kStreamingBatch = 20;
    static constexpr std::chrono::milliseconds kGatherWindow{4};
    // Rows waiting while every storing connection is busy that make a further connection start.
    static constexpr std::size_t kBacklogForAnotherConnection = 500;
    // Rows parked at one time: half a second of a 40,000 messages a second flood, a few tens of
    // megabytes. Beyond it rows keep their places and the pool's limits apply.
    static constexpr std::size_t kMaxParkedRows = 20000;
    // How long Drain waits for the rows handed in to be stored.
    static constexpr std::chrono::seconds kDrainPatience{10};

    RowConnectionCache(ConnectionParameters parameters, std::size_t capacity,
                       std::chrono::milliseconds checkAfterIdle = kCheckAfterIdle,
                       std::size_t maxParkedRows = kMaxParkedRows);
    ~RowConnectionCache();
    RowConnectionCache(const RowConnectionCache&) = delete;
    RowConnectionCache& operator=(const RowConnectionCache&) = delete;

    const ConnectionParameters& Parameters() const { return parameters_; }
    std::chrono::milliseconds CheckAfterIdle() const { return checkAfterIdle_; }

    // Waits until a connection is free. Raises DatabaseError once the cache is closed.
    RowConnectionLease Borrow();

    // Stores the row, alone and at once when no connection is storing rows and one is free, and
    // then goes on storing the rows that came in meanwhile; otherwise leaves the row waiting for
    // the next statement, and returns. False, with the row untouched, when rows for its table never
    // go together: the caller stores it on a connection it borrows.
    bool Submit(PendingRow& row);

    // Opens a connection ahead of the first rows and learns how the server keeps `table`, so that
    // the first burst waits for neither. Failures are left for the rows to meet.
    void WarmUp(std::string_view table);

    // Waits until every row handed in was stored or failed, or until `patience` passed.
    void Drain(std::chrono::milliseconds patience = kDrainPatience);

    // Wakes every waiting job with an error, ends the waiting rows with ConnectionFailed and
    // closes the idle connections; connections given back later are closed.
    void Close();

    // Connections that exist, lent or idle.
    std::size_t ConnectionCount() const;
    // Jobs waiting for a connection and rows waiting to be stored.
    std::size_t WaitingCount() const;
    // Rows parked and not yet ended.
    std::size_t ParkedCount() const;

  private:
    friend class RowConnectionLease;
    struct Waiter;
    using Connection = std::unique_ptr<CachedConnection>;

    // With the lock held: a connection when one is free and no job waits for one.
    Connection TakeFree();
    // Stores `batch` and then whatever waits, until nothing does; then gives the connection back.
    void Lead(Connection connection, std::vector<PendingRow*> batch);
    // With the lock held: the oldest waiting rows that go into one statement.
    void GatherBatch(std::vector<PendingRow*>& batch);
    void StoreBatch(RowConnectionLease& lease, const std::vector<PendingRow*>& batch);
    // One statement for all the rows; raises DatabaseError.
    static void StoreTogether(DatabaseConnection& connection,
                              const std::vector<PendingRow*>& batch);
    // Asks the server once which engine keeps the table; false when it cannot tell.
    bool LearnAtomic(DatabaseConnection& connection, std::string_view table);
    // With the lock held: hands the connection to the first waiting job or keeps it idle; once
    // the cache is closed, returns it to be closed outside the lock. `next` is then the job to
    // wake, if any.
    Connection Place(Connection connection, Waiter*& next);
    void GiveBack(Connection connection) noexcept;
    template <typename Rows>
    static std::size_t CountParked(const Rows& rows);

    const ConnectionParameters parameters_;
    const std::size_t capacity_;
    const std::chrono::milliseconds checkAfterIdle_;
    const std::size_t maxParkedRows_;

    mutable std::mutex mutex_;
    std::vector<Connection> idle_;
    std::list<Waiter*> waiting_;
    std::deque<PendingRow*> rows_;
    std::condition_variable fullBatch_;
    std::condition_variable drained_;
    std::size_t created_ = 0;
    std::size_t parked_ = 0;
    // Connections storing rows at this moment.
    std::size_t leaders_ = 0;
    bool closed_ = false;
    // Per table: whether a failed statement leaves nothing behind. Learnt once per cache.
    std::map<std::string, bool, std::less<>> atomicTables_;
};

}  // namespace trevalon
