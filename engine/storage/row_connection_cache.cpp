#include "engine/storage/row_connection_cache.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include <mariadb/errmsg.h>

#include "engine/storage/server_outage.h"

namespace trevalon {
namespace {

constexpr const char* kClosedText = "The shared database connections are closed";
// The cheapest statement that needs the server to answer.
constexpr std::string_view kAliveCheck = "DO 1";
// The engine the schema's tables get by default; it undoes a failed statement as a whole.
constexpr std::string_view kAtomicEngine = "InnoDB";

// Closed at shutdown: to a row it is as if the server were gone, so a held row is kept for the
// next start.
DatabaseError ClosedError() {
    return DatabaseError(kClosedText, CR_SERVER_GONE_ERROR);
}

}  // namespace

// A job waiting for a connection. It sleeps on its own lock, so that waking many of them does
// not make them queue for the cache's lock.
struct RowConnectionCache::Waiter {
    // Whoever takes the waiter off the waiting list fills `connection` first, then gives.
    // Once given, the waiter may return at any moment and end its life.
    void Give(bool cacheClosed) {
        std::lock_guard lock(mutex);
        closed = cacheClosed;
        given = true;
        wake.notify_one();
    }

    void Await() {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return given; });
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool given = false;
    bool closed = false;
    Connection connection;
};

RowConnectionLease RowConnectionLease::Own(const ConnectionParameters& parameters) {
    RowConnectionLease lease;
    lease.ownParameters_ = std::make_shared<const ConnectionParameters>(parameters);
    lease.connection_ = std::make_unique<CachedConnection>();
    return lease;
}

std::optional<bool> TableUndoesFailedStatements(DatabaseConnection& connection,
                                                std::string_view table) {
    const QueryResult engine = connection.Query(
        "SELECT ENGINE AS engine FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
        "DATABASE() AND TABLE_NAME = " +
        SqlQuoted(table));
    if (engine.RowCount() == 0) {
        return std::nullopt;
    }
    return engine.Text(0, "engine") == kAtomicEngine;
}

RowConnectionLease::RowConnectionLease(std::shared_ptr<RowConnectionCache> cache,
                                       std::unique_ptr<CachedConnection> connection)
    : cache_(std::move(cache)), connection_(std::move(connection)) {}

RowConnectionLease& RowConnectionLease::operator=(RowConnectionLease&& other) noexcept {
    if (this != &other) {
        GiveBack();
        cache_ = std::move(other.cache_);
        ownParameters_ = std::move(other.ownParameters_);
        connection_ = std::move(other.connection_);
    }
    return *this;
}

RowConnectionLease::~RowConnectionLease() {
    GiveBack();
}

DatabaseConnection& RowConnectionLease::Open() {
    if (connection_ == nullptr) {
        throw DatabaseError("No database connection was lent");
    }
    const ConnectionParameters& parameters = cache_ ? cache_->Parameters() : *ownParameters_;
    DatabaseConnection& connection = connection_->connection;
    if (cache_ && connection.Connected() && connection_->reused &&
        std::chrono::steady_clock::now() - connection_->idleSince >= cache_->CheckAfterIdle()) {
        try {
            connection.Execute(kAliveCheck);
        } catch (const DatabaseError&) {
            connection.Disconnect();
        }
    }
    connection_->reused = false;
    if (!connection.Connected()) {
        connection.Connect(parameters);
    }
    return connection;
}

void RowConnectionLease::Execute(std::string_view statement) {
    Open().Execute(statement);
}

std::unique_ptr<CachedConnection> RowConnectionLease::Release() {
    cache_.reset();
    ownParameters_.reset();
    return std::move(connection_);
}

void RowConnectionLease::GiveBack() noexcept {
    if (cache_) {
        cache_->GiveBack(std::move(connection_));
        cache_.reset();
    }
    // A connection of the job's own closes here.
    connection_.reset();
    ownParameters_.reset();
}

RowConnectionCache::RowConnectionCache(ConnectionParameters parameters, std::size_t capacity,
                                       std::chrono::milliseconds checkAfterIdle,
                                       std::size_t maxParkedRows)
    : parameters_(std::move(parameters)),
      capacity_(std::max<std::size_t>(capacity, 1)),
      checkAfterIdle_(checkAfterIdle),
      maxParkedRows_(maxParkedRows) {
    // Giving a connection back never allocates.
    idle_.reserve(capacity_);
}

RowConnectionCache::~RowConnectionCache() = default;

RowConnectionLease RowConnectionCache::Borrow() {
    Waiter self;
    {
        std::unique_lock lock(mutex_);
        if (closed_) {
            throw ClosedError();
        }
        self.connection = TakeFree();
        if (self.connection == nullptr) {
            waiting_.push_back(&self);
            lock.unlock();
            self.Await();
            if (self.closed) {
                throw ClosedError();
            }
        }
    }
    return RowConnectionLease(shared_from_this(), std::move(self.connection));
}

bool RowConnectionCache::Submit(PendingRow& row) {
    {
        std::lock_guard lock(mutex_);
        const auto known = atomicTables_.find(row.Row().table);
        if (known != atomicTables_.end() && !known->second) {
            return false;
        }
        row.parked_ = !closed_ && parked_ < maxParkedRows_;
        parked_ += row.parked_ ? 1 : 0;
    }
    if (row.parked_) {
        // Before the row is in the queue: once there, a leader may end it at any moment.
        row.Parked();
    }
    Connection connection;
    std::vector<PendingRow*> batch;
    {
        std::lock_guard lock(mutex_);
        if (!closed_) {
            rows_.push_back(&row);
            if (rows_.size() == kMaxCombinedRows) {
                fullBatch_.notify_one();
            }
            // While a connection stores rows, the rows coming in wait for its next statement:
            // one statement with many rows costs the server little more than one with a single
            // row. A further connection starts when rows pile up, as they do while a statement
            // waits on the server.
            if (leaders_ > 0 && rows_.size() < kBacklogForAnotherConnection) {
                return true;
            }
            connection = TakeFree();
            if (connection == nullptr) {
                // Whoever holds a connection stores the rows before giving it back.
                return true;
            }
            ++leaders_;
            batch.reserve(kMaxCombinedRows);
            GatherBatch(batch);
        } else if (row.parked_) {
            // Closed since the row was parked: it ends here, not among the waiting rows.
            --parked_;
        }
    }
    if (connection == nullptr) {
        row.ConnectionFailed(kClosedText, true);
        return true;
    }
    Lead(std::move(connection), std::move(batch));
    return true;
}

void RowConnectionCache::Lead(Connection connection, std::vector<PendingRow*> batch) {
    RowConnectionLease lease(shared_from_this(), std::move(connection));
    batch.reserve(kMaxCombinedRows);
    for (;;) {
        const auto began = std::chrono::steady_clock::now();
        const bool streaming = batch.size() >= kStreamingBatch;
        // Counted before the rows end: an ended row may be gone.
        const std::size_t parked = CountParked(batch);
        StoreBatch(lease, batch);
        batch.clear();
        Waiter* next = nullptr;
        Connection closing;
        {
            std::unique_lock lock(mutex_);
            parked_ -= parked;
            if (streaming) {
                // Rows are streaming in: each statement costs the server as much as dozens of
                // rows, so the next one waits a moment to take more of them along.
                fullBatch_.wait_until(lock, began + kGatherWindow, [this] {
                    return closed_ || rows_.size() >= kMaxCombinedRows;
                });
            }
            GatherBatch(batch);
            if (batch.empty()) {
                if (--leaders_ == 0) {
                    drained_.notify_all();
                }
                closing = Place(lease.Release(), next);
            }
        }
        if (batch.empty()) {
            if (next != nullptr) {
                next->Give(false);
            }
            return;
        }
    }
}

void RowConnectionCache::StoreBatch(RowConnectionLease& lease,
                                    const std::vector<PendingRow*>& batch) {
    std::size_t stored = 0;
    try {
        DatabaseConnection& connection = lease.Open();
        if (batch.size() > 1 && LearnAtomic(connection, batch.front()->Row().table)) {
            bool combined = true;
            try {
                StoreTogether(connection, batch);
            } catch (const DatabaseError&) {
                // Every row now goes through its own attempts.
                combined = false;
            }
            if (combined) {
                for (PendingRow* row : batch) {
                    row->Stored();
                }
                return;
            }
        }
        for (; stored < batch.size(); ++stored) {
            lease.Open();
            batch[stored]->StoreAlone(lease);
        }
    } catch (const DatabaseError& error) {
        // No connection: the rows not yet stored would fail the same way alone.
        const bool unreachable = ServerUnreachable(error);
        for (; stored < batch.size(); ++stored) {
            batch[stored]->ConnectionFailed(error.what(), unreachable);
        }
    } catch (const std::exception& error) {
        for (; stored < batch.size(); ++stored) {
            batch[stored]->ConnectionFailed(error.what(), false);
        }
    }
}

void RowConnectionCache::StoreTogether(DatabaseConnection& connection,
                                       const std::vector<PendingRow*>& batch) {
    const CombinableRow& first = batch.front()->Row();
    bool bound = !first.boundStatement.empty();
    for (const PendingRow* row : batch) {
        bound = bound && row->Row().boundStatement == first.boundStatement &&
                row->Row().boundCount == first.boundCount;
    }
    if (bound) {
        std::vector<std::string_view> values;
        values.reserve(batch.size() * first.boundCount);
        for (const PendingRow* row : batch) {
            const CombinableRow& data = row->Row();
            values.insert(values.end(), data.bound.begin(),
                          data.bound.begin() + static_cast<std::ptrdiff_t>(data.boundCount));
        }
        connection.ExecuteForRows(first.boundStatement, first.boundCount, values);
        return;
    }
    std::size_t length = first.head.size();
    for (const PendingRow* row : batch) {
        length += row->Row().values.size() + 1;
    }
    std::string statement;
    statement.reserve(length);
    statement += first.head;
    for (const PendingRow* row : batch) {
        if (row != batch.front()) {
            statement += ',';
        }
        statement += row->Row().values;
    }
    connection.Execute(statement);
}

void RowConnectionCache::WarmUp(std::string_view table) {
    try {
        RowConnectionLease lease = Borrow();
        LearnAtomic(lease.Open(), table);
    } catch (const DatabaseError&) {
        // The rows meet the same failure and report it.
    }
}

template <typename Rows>
std::size_t RowConnectionCache::CountParked(const Rows& rows) {
    return static_cast<std::size_t>(std::count_if(
        rows.begin(), rows.end(), [](const PendingRow* row) { return row->parked_; }));
}

void RowConnectionCache::Drain(std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    drained_.wait_for(lock, patience,
                      [this] { return closed_ || (rows_.empty() && leaders_ == 0); });
}

void RowConnectionCache::Close() {
    std::vector<Connection> idle;
    std::list<Waiter*> waiting;
    std::deque<PendingRow*> rows;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        idle.swap(idle_);
        created_ -= idle.size();
        waiting.swap(waiting_);
        rows.swap(rows_);
        parked_ -= CountParked(rows);
    }
    fullBatch_.notify_all();
    drained_.notify_all();
    for (Waiter* waiter : waiting) {
        waiter->Give(true);
    }
    for (PendingRow* row : rows) {
        row->ConnectionFailed(kClosedText, true);
    }
    // `idle` closes its connections here, outside the lock.
}

std::size_t RowConnectionCache::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return created_;
}

std::size_t RowConnectionCache::WaitingCount() const {
    std::lock_guard lock(mutex_);
    return waiting_.size() + rows_.size();
}

std::size_t RowConnectionCache::ParkedCount() const {
    std::lock_guard lock(mutex_);
    return parked_;
}

RowConnectionCache::Connection RowConnectionCache::TakeFree() {
    if (!waiting_.empty()) {
        return nullptr;
    }
    if (!idle_.empty()) {
        Connection connection = std::move(idle_.back());
        idle_.pop_back();
        return connection;
    }
    if (created_ < capacity_) {
        ++created_;
        return std::make_unique<CachedConnection>();
    }
    return nullptr;
}

bool RowConnectionCache::LearnAtomic(DatabaseConnection& connection, std::string_view table) {
    {
        std::lock_guard lock(mutex_);
        if (const auto known = atomicTables_.find(table); known != atomicTables_.end()) {
            return known->second;
        }
    }
    std::optional<bool> atomic;
    try {
        atomic = TableUndoesFailedStatements(connection, table);
    } catch (const DatabaseError&) {
        return false;
    }
    if (!atomic) {
        // No such table (yet): every insert fails anyway; ask again next time.
        return false;
    }
    std::lock_guard lock(mutex_);
    atomicTables_.emplace(table, *atomic);
    return *atomic;
}

void RowConnectionCache::GatherBatch(std::vector<PendingRow*>& batch) {
    if (rows_.empty()) {
        return;
    }
    const std::string_view head = rows_.front()->Row().head;
    std::size_t bytes = 0;
    for (auto it = rows_.begin(); it != rows_.end() && batch.size() < kMaxCombinedRows;) {
        const CombinableRow& row = (*it)->Row();
        if (row.head != head) {
            ++it;
            continue;
        }
        if (!batch.empty() && bytes + row.values.size() + 1 > kMaxCombinedBytes) {
            break;
        }
        bytes += row.values.size() + 1;
        batch.push_back(*it);
        it = rows_.erase(it);
    }
}

RowConnectionCache::Connection RowConnectionCache::Place(Connection connection, Waiter*& next) {
    if (closed_) {
        --created_;
        return connection;
    }
    connection->reused = true;
    connection->idleSince = std::chrono::steady_clock::now();
    if (waiting_.empty()) {
        idle_.push_back(std::move(connection));
        return nullptr;
    }
    next = waiting_.front();
    waiting_.pop_front();
    next->connection = std::move(connection);
    return nullptr;
}

void RowConnectionCache::GiveBack(Connection connection) noexcept {
    if (connection == nullptr) {
        return;
    }
    std::vector<PendingRow*> batch;
    Waiter* next = nullptr;
    Connection closing;
    {
        std::lock_guard lock(mutex_);
        if (!closed_) {
            batch.reserve(kMaxCombinedRows);
            GatherBatch(batch);
        }
        if (batch.empty()) {
            closing = Place(std::move(connection), next);
        } else {
            ++leaders_;
        }
    }
    if (!batch.empty()) {
        // Rows came in while every connection was lent: they are stored before it goes back.
        Lead(std::move(connection), std::move(batch));
        return;
    }
    if (next != nullptr) {
        next->Give(false);
    }
    // Closed: the connection closes here, outside the lock.
}

}  // namespace trevalon
