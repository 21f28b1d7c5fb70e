#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tovik {

// Writes the pieces one after another to path, creating or emptying it. The file is readable and
// writable by its owner only from the moment it exists (it holds trap communities), also when it
// replaces a file that others could read. False, with the reason, when it cannot be written.
bool writePrivateFile(const QString &path, const QList<QByteArrayView> &pieces, QString *reason);

} // namespace tovik
