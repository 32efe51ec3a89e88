#include "files/write_faults.h"

namespace moorkeep::files::testing {
namespace {

thread_local int injected = 0;

} // namespace

WriteFault::WriteFault(int errorNumber)
    : previous_(injected) {
    injected = errorNumber;
}

WriteFault::~WriteFault() {
    injected = previous_;
}

int injectedWriteError() {
    return injected;
}

} // namespace moorkeep::files::testing
