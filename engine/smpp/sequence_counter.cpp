#include "engine/smpp/sequence_counter.h"

#include <atomic>

namespace trevalon {

namespace {

constexpr std::uint32_t kLastSequenceNumber = 0x7FFFFFFF;

std::atomic<std::uint32_t> counter{0};
std::atomic<std::uint32_t> lastDeliver{0};

}  // namespace

std::uint32_t NextSequenceNumber() {
    std::uint32_t value = counter.load();
    for (;;) {
        const std::uint32_t next = value == kLastSequenceNumber ? 1 : value + 1;
        if (counter.compare_exchange_weak(value, next)) {
            return value;
        }
    }
}

void SetSequenceCounter(std::uint32_t value) {
    counter.store(value);
}

std::uint32_t LastDeliverSequenceNumber() {
    return lastDeliver.load();
}

void RecordDeliverSequenceNumber(std::uint32_t value) {
    lastDeliver.store(value);
}

}  // namespace trevalon
