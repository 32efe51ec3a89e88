#pragma once

#include <chrono>
#include <functional>
#include <string>

// What other threads and processes are doing with a file, as /proc shows it:
// a test waits for a waiter to be waiting instead of sleeping.
namespace moorkeep::test {

// The descriptors of the process (given by its id, or "self") open on the
// path as a lock holds it: not the ones a directory listing opens, which are
// non-blocking.
int lockDescriptorsOn(const std::string& path, const std::string& process = "self");

// Whether a process other than this one holds such a descriptor.
bool openElsewhere(const std::string& path);

// Checks the condition every few milliseconds until it holds or the limit
// passes; whether it held.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::seconds(30));

} // namespace moorkeep::test
