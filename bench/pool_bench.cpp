// Work-item pool: trivial items per second from queueing to OnWorkItemDone, and how long one
// QueueWorkItem call takes, with 1 and 4 threads queueing at once. Items refused by the limits
// count as delivered; "refused" says how many there were.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/pool/thread_pool_manager.h"
#include "foundation/event_loop.h"

namespace trevalon {
namespace {

class TrivialItem final : public TOrlTPWorkItem {
  protected:
    void Execute() override {}
};

struct Limits {
    int maxPooled;
    int maxQueueLength;
    int maxQueuedTime;
};

// The pool's owner: a thread of its own that creates the loop and the pool and runs the loop.
class PoolOwner {
  public:
    explicit PoolOwner(Limits limits) {
        std::promise<void> ready;
        thread_ = std::thread([this, limits, &ready] {
            EventLoop loop;
            TOrlThreadPoolManager pool(loop);
            pool.SetMaxPooled(limits.maxPooled);
            pool.SetMaxQueueLength(limits.maxQueueLength);
            pool.SetMaxQueuedTime(limits.maxQueuedTime);
            pool.SetOnWorkItemDone([this](TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
                if (item.Status() != WorkItemStatus::Completed) {
                    ++refused_;
                }
                std::lock_guard lock(mutex_);
                if (++delivered_ == awaited_) {
                    done_.notify_all();
                }
            });
            loop_ = &loop;
            pool_ = &pool;
            ready.set_value();
            loop.Run();
        });
        ready.get_future().wait();
    }

    ~PoolOwner() {
        loop_->Stop();
        thread_.join();
    }

    TOrlThreadPoolManager& Pool() { return *pool_; }

    void ExpectMore(std::uint64_t count) {
        std::lock_guard lock(mutex_);
        awaited_ = delivered_ + count;
    }

    void WaitForAll() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return delivered_ >= awaited_; });
    }

    std::uint64_t Refused() const { return refused_.load(); }

  private:
    std::thread thread_;
    EventLoop* loop_ = nullptr;
    TOrlThreadPoolManager* pool_ = nullptr;
    std::mutex mutex_;
    std::condition_variable done_;
    std::uint64_t delivered_ = 0;
    std::uint64_t awaited_ = 0;
    std::atomic<std::uint64_t> refused_{0};
};

constexpr int kItemsPerRound = 20000;

// The pool's limits in the runs: none, the service's defaults, and a tight one where every
// item has to wait for the scheduler to learn that another one finished.
constexpr Limits kLimits[] = {{0, 0, 0}, {500, 1000, 600}, {4, 0, 0}};

// Args: threads queueing at once, index into kLimits.
void BM_TrivialItems(benchmark::State& state) {
    const int producers = static_cast<int>(state.range(0));
    const Limits limits = kLimits[state.range(1)];
    PoolOwner owner(limits);
    std::vector<std::int64_t> latencies;
    latencies.reserve(static_cast<std::size_t>(kItemsPerRound) * 64);
    std::mutex latencyMutex;

    for (auto _ : state) {
        owner.ExpectMore(kItemsPerRound);
        std::vector<std::thread> threads;
        for (int p = 0; p < producers; ++p) {
            threads.emplace_back([&] {
                std::vector<std::int64_t> own;
                own.reserve(static_cast<std::size_t>(kItemsPerRound / producers));
                for (int i = 0; i < kItemsPerRound / producers; ++i) {
                    auto item = std::make_unique<TrivialItem>();
                    const auto start = std::chrono::steady_clock::now();
                    owner.Pool().QueueWorkItem(std::move(item));
                    own.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
                }
                std::lock_guard lock(latencyMutex);
                latencies.insert(latencies.end(), own.begin(), own.end());
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        owner.WaitForAll();
    }

    state.SetItemsProcessed(state.iterations() * kItemsPerRound);
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double share) {
        return static_cast<double>(
            latencies[static_cast<std::size_t>(share * static_cast<double>(latencies.size() - 1))]);
    };
    double sum = 0;
    for (const std::int64_t latency : latencies) {
        sum += static_cast<double>(latency);
    }
    state.counters["queue_ns_mean"] = sum / static_cast<double>(latencies.size());
    state.counters["queue_ns_p50"] = at(0.50);
    state.counters["queue_ns_p99"] = at(0.99);
    state.counters["queue_ns_max"] = at(1.0);
    state.counters["refused"] = static_cast<double>(owner.Refused());
}

BENCHMARK(BM_TrivialItems)
    ->ArgNames({"producers", "limits"})
    ->ArgsProduct({{1, 4}, {0, 1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace
}  // namespace trevalon
