#pragma once

#include <cstddef>

namespace moorkeep::cli::heap {

// Keeps the process's allocations in one heap that is not given back while
// it runs: a command reads a large configuration into buffers of a megabyte
// or more, several times over, and glibc would map each such buffer anew and
// return it on free, and give threads heaps of their own. In one heap, freed
// buffers are used again, by any thread.
void keepLargeBuffers();

// From this size on a configuration's reading is given room beforehand.
inline constexpr std::size_t largeConfigBytes = 256 << 10;

// Makes room in that heap for the reading of a configuration of this many
// bytes, with its pages faulted in by one call, as huge pages where the
// system has them. Each page a process touches first costs it a fault,
// which on a virtual machine costs more than the work done in the page;
// faulted in together, or as one huge page, they cost a fraction of that.
// Does nothing for a small configuration, whose few pages are not worth it.
void makeRoomForConfig(std::size_t configBytes);

} // namespace moorkeep::cli::heap
