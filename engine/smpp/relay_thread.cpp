#include "engine/smpp/relay_thread.h"

namespace trevalon {

void TRelayThread::Start() {
    std::lock_guard lock(joinMutex_);
    thread_ = std::thread([this] { Execute(); });
}

void TRelayThread::WaitFor() {
    std::lock_guard lock(joinMutex_);
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace trevalon
