#pragma once

namespace trevalon::testing {

// How many times this process has called operator new so far. The counting replacement lives
// in a translation unit of its own so that the compiler cannot inline it into callers and
// mistake the std::free in operator delete for a mismatch.
long AllocationCount();

}  // namespace trevalon::testing
