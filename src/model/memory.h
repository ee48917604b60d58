// Blocks of memory of a known size, had without exceptions: a caller that cannot have one
// reports the size it asked for. Every request is put to the run's Faults first, so that a
// test can refuse the n-th one and watch the run end cleanly.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>

namespace vantedit {

// What a run asks of the system that the system may refuse: a file call, a block of memory.
// The file layer and every helper that asks for memory are handed one, as ninja's builder is
// handed its DiskInterface. The program runs on noFaults(), which refuses nothing of itself;
// tests pass one that refuses the n-th request, or acts at it.
class Faults {
public:
    Faults() = default;
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;
    virtual ~Faults() = default;

    // Asked before each file call that can fail; true makes it fail.
    virtual bool failFileCall() { return false; }
    // Asked before each request for a block of memory; true refuses it.
    virtual bool failAllocation() { return false; }
};

// The real system's: nothing is refused on purpose.
Faults& noFaults();

// Runs the request; false when the memory cannot be had (or the faults refuse it).
template <typename Request>
bool tryAllocating(Faults& faults, Request request) {
    if (faults.failAllocation()) return false;
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
bool tryResize(Faults& faults, Container& c, std::size_t count) {
    return tryAllocating(faults, [&] { c.resize(count); });
}
template <typename Container>
bool tryReserve(Faults& faults, Container& c, std::size_t count) {
    return tryAllocating(faults, [&] { c.reserve(count); });
}

}  // namespace vantedit
