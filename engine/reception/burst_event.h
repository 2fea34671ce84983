#pragma once

// The signal a listener gives around messages that arrived together, so the text file can
// write them in one go.

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
