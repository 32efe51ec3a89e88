#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

namespace moorkeep::test {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() joined with a relative name.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// Writes text to a file, creating missing folders.
void writeFile(const std::string& path, const std::string& text);
// These two are shared by the GoogleTest and the Qt Test programs, so they
// throw std::runtime_error, which both report as a failed test.
// The file's bytes.
std::string readFile(const std::string& path);
// What lstat() says of the path.
struct stat statOf(const std::string& path);
// Its permission bits.
inline mode_t modeOf(const std::string& path) {
    return statOf(path).st_mode & 07777;
}
// The names in a directory, sorted.
std::vector<std::string> entries(const std::string& directory);
// The paths of the copies of undecodable files kept in the folder.
std::vector<std::string> keptCopies(const std::string& folder);

} // namespace moorkeep::test
