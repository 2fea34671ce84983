#pragma once

// The "SNPP" delivery job: one alarm sent to one pager.

#include <chrono>
#include <string>

#include "engine/pool/delivery_work_item.h"
#include "engine/storage/configuration_cache.h"

namespace trevalon {

class SnppClient;

// Sends one alarm as one page to one pager id through an SNPP gateway.
class ThreadSNPP : public DeliveryWorkItem {
  public:
    // From the "SNPP" method's settings: host (`ip`), port and the time-outs (a connect
    // time-out below 1 and a read time-out of 0 or less become 5000 ms).
    ThreadSNPP(const AlarmMethodSettings& settings, std::string pagerId, std::string message);

    // Never raises. ResultText becomes "Sent" or "Error", ResultDetail "[SNPP Alarm Sent
    // Succeed]" or the connection or sending error.
    void Execute() override;

    std::chrono::milliseconds ConnectTimeout() const { return connectTimeout_; }
    std::chrono::milliseconds ReadTimeout() const { return readTimeout_; }

  private:
    bool Connect(SnppClient& client);
    void SendPage(SnppClient& client);
    void Fail(std::string detail);

    std::string host_;
    int port_;
    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds readTimeout_;
    std::string pagerId_;
    std::string message_;
};

}  // namespace trevalon
