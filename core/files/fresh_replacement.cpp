#include "files/fresh_replacement.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/file_stamp.h"

#include <future>
#include <memory>

namespace moorkeep::files {
namespace {

// Each attempt lasts as long as its check; a file that moves this often
// while being prepared is being rewritten without pause.
constexpr int attempts = 50;

// Whether the file still has this stamp and, read as the change reads it,
// these bytes.
bool unchanged(const std::string& path, const std::string& target, const FileStamp& stamp,
               const FreshEdit& change, const std::optional<std::string>& bytes) {
    return stampOf(target) == stamp && change.read(path) == bytes;
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
        // The new file is written and flushed while the preparation runs.
        auto pending = std::async(std::launch::async, [&path, &next, &change] {
            return std::make_unique<PendingReplacement>(path, *next, change.newFileMode);
        });
        try {
            if (change.prepare)
                change.prepare(current, *next);
        } catch (...) {
            try {
                pending.get();
            } catch (const std::exception&) {
                // The refusal is what the caller hears of.
            }
            throw;
        }
        try {
            std::unique_ptr<PendingReplacement> replacement = pending.get();
            if (unchanged(path, target, stamp, change, current) &&
                replacement->commitIfStill(stamp))
                return true;
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
