#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tovik {

// A file's content in pieces, written one after another.
using FileBytes = QList<QByteArrayView>;

// Writes the pieces to path as a file that only its owner may read or write (0600 on POSIX),
// replacing whatever regular file is there. The content goes into a new file that is created with
// that mode beside path and then renamed over it, so no file at path ever holds the new content
// with a looser mode, whatever mode an old file had and whoever held it open. A device or pipe
// is written in place (see OutputFile). On failure it returns false with the reason and leaves
// an old file as it was.
bool writePrivateFile(const QString &path, const FileBytes &bytes, QString *reason);

// Creates the directory and its missing parents, each for its owner only (0700 on POSIX); a
// directory that exists is left as it is.
bool makePrivateDirectory(const QString &path, QString *reason);

} // namespace tovik
