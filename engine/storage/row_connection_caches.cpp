#include "engine/storage/row_connection_caches.h"

namespace trevalon {

std::shared_ptr<RowConnectionCache> RowConnectionCaches::For(
    const ConnectionParameters& parameters) {
    Key key{parameters.HostName, parameters.Port, parameters.User_Name, parameters.Password,
            parameters.Database};
    std::lock_guard lock(mutex_);
    std::shared_ptr<RowConnectionCache>& cache = caches_[std::move(key)];
    if (cache == nullptr) {
        const int connections = connections_;
        cache = std::make_shared<RowConnectionCache>(
            parameters, static_cast<std::size_t>(connections > 0 ? connections : 1));
    }
    return cache;
}

void RowConnectionCaches::CloseAll(std::chrono::milliseconds patience) {
    std::map<Key, std::shared_ptr<RowConnectionCache>> closing;
    {
        std::lock_guard lock(mutex_);
        closing.swap(caches_);
    }
    for (auto& [key, cache] : closing) {
        // The rows handed in are already in the text file and count as executing: they are
        // stored, unless the server keeps them waiting too long.
        cache->Drain(patience);
        cache->Close();
    }
}

}  // namespace trevalon
