// Blocks of memory of a known size, had without exceptions: a caller that cannot have one
// reports the size it asked for. Every such request is counted, so that tests can make the
// n-th one fail and watch the run end cleanly.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>

namespace vantedit {

// Test seam: the n-th counted request from now on (1 = the next one) fails; 0 turns it off.
void failAllocationAt(long n);
// Requests counted since the last failAllocationAt.
long allocationCount();
// Counts one request and says whether the test seam wants it to fail.
bool allocationFailureInjected();

// Runs the request; false when the memory cannot be had (or the test seam refuses it).
template <typename Request>
bool tryAllocating(Request request) {
    if (allocationFailureInjected()) return false;
    try {
        request();
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

// The container holds count elements (resize) or room for them (reserve); false when the
// memory cannot be had, the container as it was.
template <typename Container>
bool tryResize(Container& c, std::size_t count) {
    return tryAllocating([&] { c.resize(count); });
}
template <typename Container>
bool tryReserve(Container& c, std::size_t count) {
    return tryAllocating([&] { c.reserve(count); });
}

}  // namespace vantedit
