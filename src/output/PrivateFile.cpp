#include "output/PrivateFile.h"

#include "output/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tovik {

bool writePrivateFile(const QString &path, const FileBytes &bytes, QString *reason)
{
    const auto writePieces = [&bytes](QIODevice &file) {
        for (const QByteArrayView piece : bytes) {
            if (file.write(piece.data(), piece.size()) != piece.size())
                return false;
        }
        return true;
    };
    return OutputFile::write(path, OutputFile::Access::Private, writePieces, reason);
}

bool makePrivateDirectory(const QString &path, QString *reason)
{
    QStringList missing;
    for (QString dir = QDir::cleanPath(QDir(path).absolutePath()); !QFileInfo::exists(dir);) {
        missing.prepend(dir);
        const QString parent = QFileInfo(dir).path();
        if (parent == dir)
            break;
        dir = parent;
    }
    for (const QString &dir : std::as_const(missing)) {
        // Another process may create it meanwhile; its mode is then its own.
        if (!QDir().mkdir(dir, OutputFile::kPrivateMode | QFileDevice::ExeOwner)
            && !QFileInfo(dir).isDir())
            break;
    }
    if (QFileInfo(path).isDir())
        return true;
    *reason = QStringLiteral("the directory could not be created");
    return false;
}

} // namespace tovik
