#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "engine/storage/row_connection_cache.h"

namespace trevalon {

// The connection caches of the row insert jobs, one per parameter set, each as large as the
// setting Connections of section "SysLog DB Backup" was when it was made.
class RowConnectionCaches {
  public:
    // Any thread: the cache for these parameters, made on first use.
    std::shared_ptr<RowConnectionCache> For(const ConnectionParameters& parameters);

    // Lets every cache store the rows handed to it (see RowConnectionCache::Drain), closes it
    // and forgets it; later jobs get new ones. The programs call it at shutdown, after
    // cancelling the pool's work, so that no job keeps waiting for a connection.
    void CloseAll(std::chrono::milliseconds patience = RowConnectionCache::kDrainPatience);

  private:
    using Key = std::tuple<std::string, std::string, std::string, std::string, std::string>;

    std::mutex mutex_;
    std::map<Key, std::shared_ptr<RowConnectionCache>> caches_;
};

RowConnectionCaches& TheRowConnectionCaches();

}  // namespace trevalon
