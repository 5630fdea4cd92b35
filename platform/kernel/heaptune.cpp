#include "platform/kernel/heaptune.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kernel {

void LimitHeapRetention() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kMappedBlockBytes);
#endif
}

}  // namespace kernel
