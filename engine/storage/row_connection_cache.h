#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/database_client.h"

namespace trevalon {

class RowConnectionCache;

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
};

struct CombinedInsertOutcome {
    enum class Result {
        // The row is stored.
        kStored,
        // The row was alone and the server refused its own statement on `lease`.
        kRefused,
        // The row is not stored: a combined statement with it failed, so it goes alone now;
        // `lease` may already hold a connection for it.
        kAlone,
    };
    Result result = Result::kStored;
    RowConnectionLease lease;
};

// A bounded set of open connections for one parameter set, shared by the row insert jobs.
// At most `capacity` connections exist; a job finding all of them lent waits for one, first
// come first served. Row inserts waiting at the same moment are stored by one statement.
class RowConnectionCache : public std::enable_shared_from_this<RowConnectionCache> {
  public:
    // A combined statement holds at most this many rows and bytes of values, well inside the
    // smallest max_allowed_packet servers are set to.
    static constexpr std::size_t kMaxCombinedRows = 500;
    static constexpr std::size_t kMaxCombinedBytes = 512 * 1024;
    // A connection idle for longer is checked before use and reopened when the server dropped it.
    static constexpr std::chrono::milliseconds kCheckAfterIdle{1000};

    RowConnectionCache(ConnectionParameters parameters, std::size_t capacity,
                       std::chrono::milliseconds checkAfterIdle = kCheckAfterIdle);
    ~RowConnectionCache();
    RowConnectionCache(const RowConnectionCache&) = delete;
    RowConnectionCache& operator=(const RowConnectionCache&) = delete;

    const ConnectionParameters& Parameters() const { return parameters_; }
    std::chrono::milliseconds CheckAfterIdle() const { return checkAfterIdle_; }

    // Waits until a connection is free. Raises DatabaseError once the cache is closed.
    RowConnectionLease Borrow();

    // Stores the row with the other rows waiting at this moment, or alone, at once, when a
    // connection is free and nobody waits. Raises DatabaseError when no connection can be opened
    // for it or the cache is closed; rows it was to take along then go alone.
    CombinedInsertOutcome StoreCombined(const CombinableRow& row);

    // Wakes every waiting job with an error and closes the idle connections; connections given
    // back later are closed. Jobs that waited to be combined go alone and fail on Borrow.
    void Close();

    // Connections that exist, lent or idle.
    std::size_t ConnectionCount() const;
    // Jobs waiting for a connection or to be combined, not counting those a leader took along.
    std::size_t WaitingCount() const;

  private:
    friend class RowConnectionLease;
    struct Waiter;

    enum class Grant {
        kNone,
        kConnection,
        kClosed,
        // Given to the rows a leader took along.
        kStored,
        kAlone,
    };

    // With the lock held: a connection for `waiter` when nobody waits before it.
    bool TakeFree(Waiter& waiter);
    // Queues the waiter, lets go of `lock` and sleeps until it is granted something; raises
    // DatabaseError when the cache was closed meanwhile.
    Grant Wait(Waiter& waiter, std::unique_lock<std::mutex>& lock);
    void GatherBatch(Waiter& leader);
    void ReleaseBatch(Waiter& leader, bool stored);
    void GiveBack(std::unique_ptr<CachedConnection> connection) noexcept;
    CombinedInsertOutcome Lead(Waiter& self, const CombinableRow& row);
    // Asks the server once which engine keeps the table; false when it cannot tell.
    bool LearnAtomic(DatabaseConnection& connection, std::string_view table);

    const ConnectionParameters parameters_;
    const std::size_t capacity_;
    const std::chrono::milliseconds checkAfterIdle_;

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<CachedConnection>> idle_;
    std::list<Waiter*> waiting_;
    std::size_t created_ = 0;
    bool closed_ = false;
    // Per table: whether a failed statement leaves nothing behind. Learnt once per cache.
    std::map<std::string, bool, std::less<>> atomicTables_;
};

}  // namespace trevalon
