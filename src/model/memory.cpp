#include "model/memory.h"

namespace vantedit {

Faults& noFaults() {
    static Faults none;
    return none;
}

}  // namespace vantedit
