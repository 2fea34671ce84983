#pragma once

// How rows get from the engine's threads to a live list without making them wait: receiver
// threads put rows in, the window takes them out in batches. Free of widgets.

#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace trevalon {

// The rows a list has not taken yet. A list shows at most `capacity` rows, so when more wait
// the oldest are dropped here instead of being drawn and pushed out again; a flood costs no
// memory and no window time beyond what the list can show.
template <class Row>
class RowHandOver {
  public:
    explicit RowHandOver(std::size_t capacity) : capacity_(capacity) {}

    // Any thread; never waits for the window, only for another Put or Take.
    void Put(Row row) {
        std::lock_guard lock(mutex_);
        if (rows_.size() >= capacity_) {
            rows_.pop_front();
            ++dropped_;
        }
        rows_.push_back(std::move(row));
    }

    // The window thread: every row waiting, oldest first.
    std::vector<Row> TakeAll() {
        std::deque<Row> taken;
        {
            std::lock_guard lock(mutex_);
            taken.swap(rows_);
        }
        return std::vector<Row>(std::make_move_iterator(taken.begin()),
                                std::make_move_iterator(taken.end()));
    }

    // Rows that never reached the list because newer ones took their place.
    std::size_t Dropped() const {
        std::lock_guard lock(mutex_);
        return dropped_;
    }

    // The window thread, when the list's row cap changes.
    void SetCapacity(std::size_t capacity) {
        std::lock_guard lock(mutex_);
        capacity_ = capacity;
        while (rows_.size() > capacity_) {
            rows_.pop_front();
            ++dropped_;
        }
    }

  private:
    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::deque<Row> rows_;
    std::size_t dropped_ = 0;
};

// The row cap of the live lists from ShowLogItem: 0 means no cap, up to a ceiling that keeps a
// flood from filling the memory.
inline constexpr std::size_t kLiveListCeiling = 100000;
inline std::size_t LiveListCap(int showLogItem) {
    return showLogItem <= 0 || static_cast<std::size_t>(showLogItem) > kLiveListCeiling
               ? kLiveListCeiling
               : static_cast<std::size_t>(showLogItem);
}

}  // namespace trevalon
