#include "engine/storage/row_connection_cache.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace trevalon {
namespace {

constexpr const char* kClosedText = "The shared database connections are closed";
// The cheapest statement that needs the server to answer.
constexpr std::string_view kAliveCheck = "DO 1";
// The engine the schema's tables get by default; it undoes a failed statement as a whole.
constexpr std::string_view kAtomicEngine = "InnoDB";

}  // namespace

// One job waiting in the cache. It sleeps on its own lock, so that waking many of them does
// not make them queue for the cache's lock.
struct RowConnectionCache::Waiter {
    // Whoever takes the waiter off the waiting list fills `connection` or `batch` first, then
    // grants. Once granted, the waiter may return at any moment and end its life.
    void Give(Grant given) {
        std::lock_guard lock(mutex);
        grant = given;
        wake.notify_one();
    }

    Grant Await() {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return grant != Grant::kNone; });
        return grant;
    }

    std::mutex mutex;
    std::condition_variable wake;
    Grant grant = Grant::kNone;
    std::unique_ptr<CachedConnection> connection;
    // A first insert that may be combined; nullptr for a plain borrower.
    const CombinableRow* row = nullptr;
    // The leader's rows, itself first, once it was given a connection.
    std::vector<Waiter*> batch;
};

RowConnectionLease RowConnectionLease::Own(const ConnectionParameters& parameters) {
    RowConnectionLease lease;
    lease.ownParameters_ = std::make_shared<const ConnectionParameters>(parameters);
    lease.connection_ = std::make_unique<CachedConnection>();
    return lease;
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
                                       std::chrono::milliseconds checkAfterIdle)
    : parameters_(std::move(parameters)),
      capacity_(std::max<std::size_t>(capacity, 1)),
      checkAfterIdle_(checkAfterIdle) {
    // Giving a connection back never allocates.
    idle_.reserve(capacity_);
}

RowConnectionCache::~RowConnectionCache() = default;

RowConnectionLease RowConnectionCache::Borrow() {
    Waiter self;
    std::unique_lock lock(mutex_);
    if (TakeFree(self)) {
        lock.unlock();
    } else {
        Wait(self, lock);
    }
    return RowConnectionLease(shared_from_this(), std::move(self.connection));
}

CombinedInsertOutcome RowConnectionCache::StoreCombined(const CombinableRow& row) {
    Waiter self;
    self.row = &row;
    std::unique_lock lock(mutex_);
    const auto known = atomicTables_.find(row.table);
    if (known != atomicTables_.end() && !known->second) {
        return {CombinedInsertOutcome::Result::kAlone, {}};
    }
    if (TakeFree(self)) {
        lock.unlock();
        self.batch.push_back(&self);
    } else {
        switch (Wait(self, lock)) {
            case Grant::kStored:
                return {};
            case Grant::kAlone:
                return {CombinedInsertOutcome::Result::kAlone, {}};
            default:
                break;
        }
    }
    return Lead(self, row);
}

CombinedInsertOutcome RowConnectionCache::Lead(Waiter& self, const CombinableRow& row) {
    RowConnectionLease lease(shared_from_this(), std::move(self.connection));
    // Whatever happens, the rows taken along are told how it ended before this returns.
    bool stored = false;
    struct BatchRelease {
        RowConnectionCache& cache;
        Waiter& leader;
        const bool& stored;
        ~BatchRelease() { cache.ReleaseBatch(leader, stored); }
    } release{*this, self, stored};

    DatabaseConnection& connection = lease.Open();
    if (self.batch.size() == 1) {
        std::string statement(row.head);
        statement += row.values;
        try {
            connection.Execute(statement);
        } catch (const std::exception&) {
            return {CombinedInsertOutcome::Result::kRefused, std::move(lease)};
        }
        return {};
    }

    if (!LearnAtomic(connection, row.table)) {
        // The rows taken along go alone, and this one too, on its connection.
        return {CombinedInsertOutcome::Result::kAlone, std::move(lease)};
    }

    std::size_t length = row.head.size();
    for (const Waiter* member : self.batch) {
        length += member->row->values.size() + 1;
    }
    std::string statement;
    statement.reserve(length);
    statement += row.head;
    for (std::size_t member = 0; member < self.batch.size(); ++member) {
        if (member > 0) {
            statement += ',';
        }
        statement += self.batch[member]->row->values;
    }
    try {
        connection.Execute(statement);
        stored = true;
    } catch (const std::exception&) {
        // Every row now goes through its own attempts; this one keeps the connection for it.
        return {CombinedInsertOutcome::Result::kAlone, std::move(lease)};
    }
    return {};
}

void RowConnectionCache::Close() {
    std::vector<std::unique_ptr<CachedConnection>> idle;
    std::list<Waiter*> waiting;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        idle.swap(idle_);
        created_ -= idle.size();
        waiting.swap(waiting_);
    }
    for (Waiter* waiter : waiting) {
        waiter->Give(Grant::kClosed);
    }
    // `idle` closes its connections here, outside the lock.
}

std::size_t RowConnectionCache::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return created_;
}

std::size_t RowConnectionCache::WaitingCount() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

bool RowConnectionCache::TakeFree(Waiter& waiter) {
    if (closed_) {
        throw DatabaseError(kClosedText);
    }
    if (!waiting_.empty()) {
        return false;
    }
    if (!idle_.empty()) {
        waiter.connection = std::move(idle_.back());
        idle_.pop_back();
        return true;
    }
    if (created_ < capacity_) {
        waiter.connection = std::make_unique<CachedConnection>();
        ++created_;
        return true;
    }
    return false;
}

RowConnectionCache::Grant RowConnectionCache::Wait(Waiter& waiter,
                                                   std::unique_lock<std::mutex>& lock) {
    waiting_.push_back(&waiter);
    lock.unlock();
    const Grant grant = waiter.Await();
    if (grant == Grant::kClosed) {
        throw DatabaseError(kClosedText);
    }
    return grant;
}

bool RowConnectionCache::LearnAtomic(DatabaseConnection& connection, std::string_view table) {
    {
        std::lock_guard lock(mutex_);
        if (const auto known = atomicTables_.find(table); known != atomicTables_.end()) {
            return known->second;
        }
    }
    bool atomic = false;
    try {
        const QueryResult engine = connection.Query(
            "SELECT ENGINE AS engine FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
            "DATABASE() AND TABLE_NAME = " +
            SqlQuoted(table));
        if (engine.RowCount() == 0) {
            // No such table (yet): every insert fails anyway; ask again next time.
            return false;
        }
        atomic = engine.Text(0, "engine") == kAtomicEngine;
    } catch (const DatabaseError&) {
        return false;
    }
    std::lock_guard lock(mutex_);
    atomicTables_.emplace(table, atomic);
    return atomic;
}

void RowConnectionCache::GatherBatch(Waiter& leader) {
    leader.batch.push_back(&leader);
    std::size_t bytes = leader.row->values.size();
    for (auto it = waiting_.begin();
         it != waiting_.end() && leader.batch.size() < kMaxCombinedRows;) {
        const CombinableRow* row = (*it)->row;
        if (row == nullptr || row->head != leader.row->head ||
            bytes + row->values.size() + 1 > kMaxCombinedBytes) {
            ++it;
            continue;
        }
        bytes += row->values.size() + 1;
        leader.batch.push_back(*it);
        it = waiting_.erase(it);
    }
}

void RowConnectionCache::ReleaseBatch(Waiter& leader, bool stored) {
    for (Waiter* member : leader.batch) {
        if (member != &leader) {
            member->Give(stored ? Grant::kStored : Grant::kAlone);
        }
    }
    leader.batch.clear();
}

void RowConnectionCache::GiveBack(std::unique_ptr<CachedConnection> connection) noexcept {
    if (connection == nullptr) {
        return;
    }
    Waiter* next = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            --created_;
        } else {
            connection->reused = true;
            connection->idleSince = std::chrono::steady_clock::now();
            if (waiting_.empty()) {
                idle_.push_back(std::move(connection));
                return;
            }
            next = waiting_.front();
            waiting_.pop_front();
            next->connection = std::move(connection);
            if (next->row != nullptr) {
                GatherBatch(*next);
            }
        }
    }
    if (next != nullptr) {
        next->Give(Grant::kConnection);
    }
    // Closed: the connection closes here, outside the lock.
}

}  // namespace trevalon
