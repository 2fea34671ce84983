#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "engine/storage/row_connection_cache.h"
#include "engine/storage/row_outage_hold.h"

namespace trevalon {

// The connection caches of the row insert jobs, one per parameter set, each as large as the
// setting Connections of section "SysLog DB Backup" was when it was made. The engine owns one.
class RowConnectionCaches {
  public:
    explicit RowConnectionCaches(
        int connections = 8, std::size_t holdMemoryBytes = RowOutageHold::kMemoryBytes,
        std::chrono::milliseconds holdRetryInterval = RowOutageHold::kRetryInterval)
        : connections_(connections), hold_(holdMemoryBytes, holdRetryInterval) {}
    RowConnectionCaches(const RowConnectionCaches&) = delete;
    RowConnectionCaches& operator=(const RowConnectionCaches&) = delete;
    ~RowConnectionCaches() { CloseAll(); }

    // Any thread: the size of the caches made from now on (at least 1).
    void SetConnections(int connections) { connections_ = connections; }

    // Any thread: the cache for these parameters, made on first use.
    std::shared_ptr<RowConnectionCache> For(const ConnectionParameters& parameters);

    // Lets every cache store the rows handed to it (see RowConnectionCache::Drain), closes it
    // and forgets it; later jobs get new ones. The programs call it at shutdown, after
    // cancelling the pool's work, so that no job keeps waiting for a connection.
    void CloseAll(std::chrono::milliseconds patience = RowConnectionCache::kDrainPatience);

    // The rows held while the server cannot be reached; started and stopped by the engine.
    RowOutageHold& Hold() { return hold_; }

  private:
    using Key = std::tuple<std::string, std::string, std::string, std::string, std::string>;

    std::atomic<int> connections_;
    std::mutex mutex_;
    std::map<Key, std::shared_ptr<RowConnectionCache>> caches_;
    RowOutageHold hold_;
};

}  // namespace trevalon
