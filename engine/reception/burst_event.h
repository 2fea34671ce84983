#pragma once

namespace trevalon {

// How a listener tells its owner about messages that arrived together.
enum class BurstEvent {
    // Before the first message of those waiting together.
    kBegins,
    // A batch of them has been handled; more of the same burst may follow.
    kBatchDone,
    // All of them are handled.
    kEnds,
};

}  // namespace trevalon
