#pragma once

#include "keys/key_tool.h"
#include "openssh/scratch_folder.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace moorkeep::OpenSSHCheck {

// An `ssh -G` check started before the text it checks exists. OpenSSH takes
// about a third of a large file's check to start up; started early, that
// time passes while the change is still being read and made, and the text
// reaches ssh through a FIFO once it is ready, as often as ssh reads its
// configuration (a second time for Match final or CanonicalizeHostname).
class StartedCheck {
public:
    // Throws FileError when the FIFO cannot be made.
    StartedCheck(std::string sshPath, std::string destination);
    // A check never given its text reads an empty one, and ends.
    ~StartedCheck();
    StartedCheck(const StartedCheck&) = delete;
    StartedCheck& operator=(const StartedCheck&) = delete;

    const std::string& sshPath() const { return sshPath_; }
    const std::string& destination() const { return destination_; }
    // Whether a check given its text now still has its whole time limit.
    bool fresh() const;
    // The configuration ssh reads, as its messages name it.
    const std::string& inputPath() const { return fifo_; }
    // Where the files the text names may be written for ssh to read.
    ScratchFolder& folder() { return folder_; }

    // Gives ssh the text and returns what it said; once only.
    KeyToolResult finish(std::string_view text);

private:
    void run();
    // Puts a new FIFO in the place of the one ssh has open.
    void renewFifo();

    std::string sshPath_;
    std::string destination_;
    ScratchFolder folder_;
    std::string fifo_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::mutex fifoMutex_; // over the FIFO's renewal and ended_
    bool ended_ = false;
    std::atomic<bool> served_{false};
    std::optional<KeyToolResult> result_;
    std::thread runner_;
};

} // namespace moorkeep::OpenSSHCheck
