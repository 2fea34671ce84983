#pragma once

// What a request of a session waits on until its reply comes or the connection ends.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace trevalon {

// What one request waits on: set by the reply that answers it, with that reply's status and
// message id, or released without a reply when the connection is lost or the session stops.
class TReplyEvent {
  public:
    void Reset();
    void SetReply(std::int32_t status, std::string messageId = {});
    void Release();
    // The status of the reply that set the event within timeoutMs; -1 when none did. `messageId`
    // receives the reply's message id.
    std::int32_t WaitReply(int timeoutMs, std::string* messageId = nullptr);

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
    bool replied_ = false;
    std::int32_t status_ = 0;
    std::string messageId_;
};

}  // namespace trevalon
