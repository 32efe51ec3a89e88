#include "private_runtime_folder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::PrivateRuntimeFolder {

namespace {

// A folder itself, not a link to one, that this user owns and no one else
// may enter.
bool isPrivate(const QString& folder) {
    struct stat status {};
    if (!QDir::isAbsolutePath(folder) ||
        ::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & 0777) == 0700;
}

} // namespace

QString path() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivate(runtime))
        return runtime;
    // Made here with no access for others; one that is already there counts
    // only as it is, never after changing its mode or following a link.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache))
        return {};
    const QString own = QDir(cache).filePath(QStringLiteral(MOORKEEP_APP_ID "-runtime"));
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivate(own) ? own : QString();
}

} // namespace moorkeep::PrivateRuntimeFolder
