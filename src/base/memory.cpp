#include "base/memory.h"

#include <malloc.h>

namespace brimlow {

void returnLargeBuffersWhenFreed() {
    // Setting the limit also stops the C library from moving it.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

} // namespace brimlow
