#pragma once

// Rows held while the database server cannot be reached: kept in memory up to a bound, then in
// the spool on disk, and stored in their order of arrival, each once, when the server answers.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "engine/storage/database_client.h"
#include "engine/storage/row_spool.h"

namespace trevalon {

class RowOutageHold {
  public:
    // Rows held in memory before they go to the spool: a few seconds of a flood.
    static constexpr std::size_t kMemoryBytes = 32 * 1024 * 1024;
    // How often the server is tried while it does not answer.
    static constexpr std::chrono::milliseconds kRetryInterval{1000};
    // Rows stored by one statement when the server is back.
    static constexpr std::size_t kBatchRows = 500;
    static constexpr std::size_t kBatchBytes = 512 * 1024;

    enum class Outcome {
        // Not held: no outage, or the hold was never started. The caller stores or fails it.
        kNotHeld,
        kHeld,
        // Neither memory nor the spool could take it: the row is lost and must be reported.
        kSpoolFull,
    };

    explicit RowOutageHold(std::size_t memoryBytes = kMemoryBytes,
                           std::chrono::milliseconds retryInterval = kRetryInterval);
    ~RowOutageHold();
    RowOutageHold(const RowOutageHold&) = delete;
    RowOutageHold& operator=(const RowOutageHold&) = delete;

    // Once, before rows may be held: the server and account the held rows go to, the client
    // library, and the spool with its limit. Rows a former run left in the spool are stored as
    // soon as the server answers; a broken tail of the spool is reported and left out.
    void Start(ConnectionParameters parameters, std::string driverLibraryPath,
               std::string spoolPath, std::uint64_t spoolLimitBytes);
    // Stops storing and joins the thread that does it; the rows still in memory go to the
    // spool for the next start. Rows held afterwards go straight to the spool.
    void Stop();

    // Any thread: whether rows wait to be stored, so that a new row must join them.
    bool Holding() const;
    // Any thread: when rows wait, the row joins them behind the others; kNotHeld otherwise.
    Outcome JoinHeld(const HeldRow& row);
    // Any thread: the server could not be reached for this row: it is held, and when no rows
    // were held before, an outage begins and `failure` is logged with it. kNotHeld when the hold
    // was not started.
    Outcome Hold(const HeldRow& row, std::string_view failure);

    // Rows held and not yet stored.
    std::uint64_t HeldRows() const;

  private:
    struct Batch {
        std::vector<HeldRow> rows;
        bool fromSpool = false;
    };

    // With the lock held.
    Outcome Add(const HeldRow& row);
    Batch Take();
    void Run(std::stop_token stop);
    // Stores the rows in order; the number stored before the server stopped answering.
    std::size_t Store(DatabaseConnection& connection, const std::vector<HeldRow>& rows,
                      bool combine);
    // Whether the row is done: stored, or refused by the server three times (logged).
    bool StoreOne(DatabaseConnection& connection, const HeldRow& row);
    bool WaitForRetry(std::stop_token& stop);
    std::string Place() const;

    const std::size_t memoryLimit_;
    const std::chrono::milliseconds retryInterval_;
    ConnectionParameters parameters_;
    std::string driverLibraryPath_;

    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    bool started_ = false;
    bool stopped_ = false;
    // Changed with the lock held; read without it by the rows coming in.
    std::atomic<bool> holding_ = false;
    std::deque<HeldRow> memory_;
    std::size_t memoryBytes_ = 0;
    std::optional<RowSpool> spool_;
    std::uint64_t heldSinceBegin_ = 0;
    std::chrono::steady_clock::time_point outageBegan_{};
    std::jthread storer_;
};

}  // namespace trevalon
