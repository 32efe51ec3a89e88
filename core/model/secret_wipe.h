#pragma once

#include <cstddef>
#include <string>

namespace moorkeep {

// Writes zeros over the bytes in a way the compiler may not drop as a dead
// store, so a secret does not linger in memory about to be freed.
void wipeBytes(void* data, std::size_t size);

// Wipes the string's whole buffer, also what a shorter text or a move left
// behind beyond its size, and empties it.
void wipeSecret(std::string& secret);

} // namespace moorkeep
