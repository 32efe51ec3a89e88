#include "update_feed_file.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::UpdateFeedFile {

namespace {

QString unreachable(const QString& reason) {
    return QCoreApplication::translate("UpdateService", "Could not reach the update feed: %1.")
        .arg(reason);
}

} // namespace

Read read(const QString& path, qint64 maxBytes) {
    Read result;
    // Opened without waiting, so that a FIFO does not block the open itself.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = unreachable(QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    struct stat facts {};
    if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        ::close(fd);
        result.error = unreachable(
            QCoreApplication::translate("UpdateService", "%1 is not a regular file").arg(path));
        return result;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            result.error = unreachable(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (count == 0)
            break;
        result.body.append(buffer, count);
        if (result.body.size() > maxBytes) {
            result.tooLarge = true;
            result.body.clear();
            break;
        }
    }
    ::close(fd);
    return result;
}

} // namespace moorkeep::UpdateFeedFile
