#include "runtime/memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace melquon {

void KeepLargeBlocksMapped() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace melquon
