#pragma once

// A test seam for disk faults, such as a full disk, without mounting one.
// While a WriteFault lives, every file this thread writes through the file
// layer fails half-way with the given error number, as a full disk makes a
// write fail. Other threads and processes are not affected. Only tests
// create one.
namespace moorkeep::files::testing {

class WriteFault {
public:
    explicit WriteFault(int errorNumber);
    ~WriteFault();
    WriteFault(const WriteFault&) = delete;
    WriteFault& operator=(const WriteFault&) = delete;

private:
    int previous_;
};

// The error number of this thread's live WriteFault, or 0.
int injectedWriteError();

} // namespace moorkeep::files::testing
