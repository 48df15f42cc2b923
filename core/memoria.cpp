#include "core/memoria.h"

#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

void PrepararMemoria() {
#ifdef __GLIBC__
    // A file transfer takes and frees buffers of hundreds of KiB many times a second (socket
    // reads, blocks on their way to the hasher). Mapped apart, or handed back to the system
    // at every free, each one came back as fresh pages to fault in: half the extended mode's
    // time on loopback. Buffers up to 1 MiB come from the heap, which keeps up to 8 MiB free.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
}
