#pragma once

// Immutable snapshots published in one step, for settings and configuration.

#include <memory>
#include <mutex>
#include <utility>

namespace trevalon {

// A value that readers on any thread take as an immutable snapshot and keep using, while a
// writer builds the next one aside and replaces it in one step: no reader ever sees a value
// half written.
template <class Value>
class PublishedValue {
  public:
    using Snapshot = std::shared_ptr<const Value>;

    explicit PublishedValue(Value initial = Value{})
        : current_(std::make_shared<const Value>(std::move(initial))) {}
    PublishedValue(const PublishedValue&) = delete;
    PublishedValue& operator=(const PublishedValue&) = delete;

    Snapshot Current() const {
        std::lock_guard lock(readMutex_);
        return current_;
    }

    void Publish(Value next) {
        std::lock_guard writer(writeMutex_);
        Replace(std::make_shared<const Value>(std::move(next)));
    }

    // Publishes a copy of the current value as changed by `change`. Writers are serialised, so
    // two changes cannot drop each other's part.
    template <class Change>
    void Update(Change&& change) {
        std::lock_guard writer(writeMutex_);
        auto next = std::make_shared<Value>(*Current());
        change(*next);
        Replace(std::move(next));
    }

  private:
    void Replace(Snapshot next) {
        Snapshot previous;
        {
            std::lock_guard lock(readMutex_);
            previous = std::exchange(current_, std::move(next));
        }
        // Released outside the lock: freeing a large value must not hold up the readers.
    }

    // Guards only the pointer: readers hold it for one copy of a shared_ptr.
    mutable std::mutex readMutex_;
    Snapshot current_;
    std::mutex writeMutex_;
};

}  // namespace trevalon
