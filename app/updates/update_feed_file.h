#pragma once

#include <QByteArray>
#include <QString>

namespace moorkeep::UpdateFeedFile {

struct Read {
    QByteArray body;
    QString error; // set when the file could not be read
    bool tooLarge = false;
};

// Reads a feed from this machine: only a regular file (a FIFO or a device
// could keep the reader waiting for ever, or feed it without end), and no
// more than maxBytes of it. It may still wait on a slow disk, so it runs off
// the user-interface thread.
Read read(const QString& path, qint64 maxBytes);

} // namespace moorkeep::UpdateFeedFile
