// How this process's heap treats large buffers.
#pragma once

namespace brimlow {

// Buffers of a mebibyte or more (a long log's rows, the cache being
// written, the de-duplication's tables) are mapped on their own and handed
// back to the system when freed. The C library would otherwise raise that
// limit after the first such buffer is freed, and later ones would stay
// resident in the heap of a process that runs all day.
void returnLargeBuffersWhenFreed();

} // namespace brimlow
