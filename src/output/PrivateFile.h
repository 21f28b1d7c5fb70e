#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

class QFile;

namespace tovik {

// The content of a file in pieces, written one after another.
using FileBytes = QList<QByteArrayView>;

// Writes the pieces to an open file and flushes it. False, with the reason, on a short write.
bool writePieces(QFile &file, const FileBytes &pieces, QString *reason);

// Writes the pieces one after another to path, creating or emptying it. The file is readable and
// writable by its owner only from the moment it exists (it holds trap communities), also when it
// replaces a file that others could read. False, with the reason, when it cannot be written.
bool writePrivateFile(const QString &path, const FileBytes &pieces, QString *reason);

} // namespace tovik
