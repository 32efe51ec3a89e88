#include "heap_room.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace moorkeep::cli::heap {

constexpr std::size_t largestThreshold = 32 << 20; // the largest glibc takes
constexpr std::uintptr_t hugePage = 2 << 20;       // x86-64's, and arm64's with 4 KiB pages

void keepLargeBuffers() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(largestThreshold));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(largestThreshold));
    mallopt(M_ARENA_MAX, 1);
#endif
}

void makeRoomForConfig(std::size_t configBytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    // A reading and what is made of it take about eight times the text;
    // the room stays below the trim threshold, so that freeing it keeps it.
    constexpr std::size_t perByte = 8;
    if (configBytes < largeConfigBytes)
        return;
    const std::size_t room = std::min(configBytes * perByte, largestThreshold / 2);
    void* block = std::malloc(room);
    if (!block)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    // The room's whole huge pages are asked for as such: on a virtual machine
    // whose host keeps its own page tables, a page costs a second fault at
    // its first use even once populated, and a huge page costs it once. A
    // system whose transparent huge pages are off ignores the advice.
#ifdef MADV_HUGEPAGE
    const std::uintptr_t firstHuge = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t endHuge = (start + room) & ~(hugePage - 1);
    if (endHuge > firstHuge)
        madvise(reinterpret_cast<void*>(firstHuge), endHuge - firstHuge, MADV_HUGEPAGE);
#endif
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + room) & ~(page - 1);
    // A kernel without MADV_POPULATE_WRITE refuses it; the pages then fault
    // one by one as before.
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    std::free(block);
#else
    (void)configBytes;
#endif
}

} // namespace moorkeep::cli::heap
