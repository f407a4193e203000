#include "runtime/memory.h"

// Any standard header brings in <features.h>, which tells whether this is glibc.
#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace melquon {

void SetUpAllocator() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace melquon
