#include "files/fresh_replacement.h"

#include "files/atomic_file.h"
#include "files/background_work.h"
#include "files/file_error.h"
#include "files/file_stamp.h"
#include "files/text_file.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::files {
namespace {

// Each attempt lasts as long as its check; a file that moves this often
// while being prepared is being rewritten without pause.
constexpr int attempts = 50;

// Whether the file still has this stamp and, read as the change reads it,
// these bytes. Bytes the file had are compared with it as they stand, with
// no copy made of them.
bool unchanged(const std::string& path, const std::string& target, const FileStamp& stamp,
               const FreshEdit& change, const std::optional<std::string>& bytes) {
    if (stampOf(target) != stamp)
        return false;
    return bytes ? holdsBytes(path, *bytes) : change.read(path) == bytes;
}

struct OpenFile {
    int fd;
    ~OpenFile() {
        if (fd >= 0)
            ::close(fd);
    }
};

// The bytes of the open file from the offset to its end, nothing when they
// cannot all be read.
std::optional<std::string> bytesFrom(int fd, off_t offset, off_t end) {
    std::string bytes(static_cast<std::size_t>(end - offset), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done,
                                    offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

} // namespace

void carryOverAppends(int replaced, const std::string& path, const std::string& read) {
    struct stat facts {};
    const auto readSize = static_cast<off_t>(read.size());
    if (::fstat(replaced, &facts) != 0 || facts.st_size <= readSize)
        return;
    // Only bytes added after what was read are an append; a file rewritten
    // in place is another program's save, which the change has replaced.
    if (bytesFrom(replaced, 0, readSize) != read)
        return;
    const auto appended = bytesFrom(replaced, readSize, facts.st_size);
    if (!appended)
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return;
    std::size_t done = 0;
    while (done < appended->size()) {
        const ssize_t wrote = ::write(fd, appended->data() + done, appended->size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            break;
        done += static_cast<std::size_t>(wrote);
    }
    ::fsync(fd);
    ::close(fd);
}

namespace {

// The new file, written and flushed while the preparation runs; nothing,
// with writeFailure set, when it could not be written. Throws the
// preparation's refusal, which is what the caller hears of whatever the
// write did.
std::unique_ptr<PendingReplacement> writeWhilePreparing(const std::string& path,
                                                        const FreshEdit& change,
                                                        const std::optional<std::string>& current,
                                                        const std::string& next,
                                                        std::exception_ptr& writeFailure) {
    std::unique_ptr<PendingReplacement> replacement;
    std::exception_ptr refusal;
    runSideBySide(
        [&] {
            try {
                replacement = std::make_unique<PendingReplacement>(path, next, change.newFileMode);
            } catch (...) {
                writeFailure = std::current_exception();
            }
        },
        [&] {
            try {
                if (change.prepare)
                    change.prepare(current, next);
            } catch (...) {
                refusal = std::current_exception();
            }
        });
    if (refusal)
        std::rethrow_exception(refusal);
    return replacement;
}

} // namespace

bool replaceFresh(const std::string& path, const FreshEdit& change) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::string target = resolveLinks(path);
        const FileStamp stamp = stampOf(target);
        const std::optional<std::string> current = change.read(path);
        if (stampOf(target) != stamp)
            continue;
        const std::optional<std::string> next = change.edit(current);
        if (!next)
            return false;
        std::exception_ptr writeFailure;
        std::unique_ptr<PendingReplacement> replacement =
            writeWhilePreparing(path, change, current, *next, writeFailure);
        try {
            if (writeFailure)
                std::rethrow_exception(writeFailure);
            // Opened before the last look, so that it holds the file that
            // look saw even once replaced.
            const OpenFile replaced{::open(target.c_str(), O_RDONLY | O_CLOEXEC)};
            if (unchanged(path, target, stamp, change, current) &&
                replacement->commitIfStill(stamp)) {
                if (replaced.fd >= 0 && current)
                    carryOverAppends(replaced.fd, target, *current);
                return true;
            }
        } catch (...) {
            if (change.unprepare)
                change.unprepare();
            throw;
        }
        if (change.unprepare)
            change.unprepare();
    }
    throw FileError(path + " kept changing while it was being changed here, so it was left as " +
                    "another program last wrote it. Try again once that program is done.");
}

} // namespace moorkeep::files
