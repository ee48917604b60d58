#include "model/memory.h"

namespace vantedit {

namespace {

long failAt = 0;
long requests = 0;

}  // namespace

void failAllocationAt(long n) {
    failAt = n;
    requests = 0;
}

long allocationCount() { return requests; }

bool allocationFailureInjected() {
    ++requests;
    return failAt != 0 && requests == failAt;
}

}  // namespace vantedit
