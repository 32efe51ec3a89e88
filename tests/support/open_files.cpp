#include "support/open_files.h"

#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace moorkeep::test {

namespace fs = std::filesystem;

int lockDescriptorsOn(const std::string& path, const std::string& process) {
    fs::path target = fs::weakly_canonical(path);
    if (!target.has_filename())
        target = target.parent_path();
    const fs::path proc = fs::path("/proc") / process;
    std::error_code error;
    int count = 0;
    for (fs::directory_iterator fd(proc / "fd", error), end; !error && fd != end;
         fd.increment(error)) {
        if (fs::read_symlink(fd->path(), error) != target || error)
            continue;
        std::ifstream info(proc / "fdinfo" / fd->path().filename());
        for (std::string key, value; info >> key >> value;)
            if (key == "flags:" && !(std::stoul(value, nullptr, 8) & O_NONBLOCK))
                ++count;
    }
    return count;
}

bool openElsewhere(const std::string& path) {
    const std::string self = std::to_string(::getpid());
    std::error_code error;
    for (fs::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (std::isdigit(static_cast<unsigned char>(name[0])) && name != self &&
            lockDescriptorsOn(path, name) > 0)
            return true;
    }
    return false;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace moorkeep::test
