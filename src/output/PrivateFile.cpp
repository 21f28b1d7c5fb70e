#include "output/PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

namespace tovik {

namespace {

constexpr QFileDevice::Permissions ownerReadWrite
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// A name beside path that no other writer picks at the same moment.
QString newFileName(const QString &path)
{
    return path
        + QStringLiteral(".%1.new").arg(
            QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

bool writePieces(QFile &file, const FileBytes &bytes)
{
    for (const QByteArrayView piece : bytes) {
        if (file.write(piece.data(), piece.size()) != piece.size())
            return false;
    }
    if (!file.flush())
        return false;
    file.close();
    return file.error() == QFileDevice::NoError;
}

// Renames over an existing file in one step; QFile::rename refuses to replace one.
bool replaceFile(const QString &from, const QString &to, QString *reason)
{
    std::error_code error;
    std::filesystem::rename(
        QFileInfo(from).filesystemFilePath(), QFileInfo(to).filesystemFilePath(), error);
    if (error)
        *reason = QString::fromLocal8Bit(error.message());
    return !error;
}

} // namespace

bool writePrivateFile(const QString &path, const FileBytes &bytes, QString *reason)
{
    QFile file(newFileName(path));
    // NewOnly: the mode is the one given here, never that of a file someone left under the name.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerReadWrite)) {
        *reason = file.errorString();
        return false;
    }
    if (!writePieces(file, bytes))
        *reason = file.errorString();
    else if (replaceFile(file.fileName(), path, reason))
        return true;
    file.remove();
    return false;
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
        if (!QDir().mkdir(dir, ownerReadWrite | QFileDevice::ExeOwner) && !QFileInfo(dir).isDir())
            break;
    }
    if (QFileInfo(path).isDir())
        return true;
    *reason = QStringLiteral("the directory could not be created");
    return false;
}

bool makePrivateFile(const QString &path, QString *reason)
{
    if (!makePrivateDirectory(QFileInfo(path).absolutePath(), reason))
        return false;
    QFile file(path);
    // NewOnly: created with this mode; a file that is there, or appears meanwhile, gets it below.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerReadWrite))
        return true;
    if (file.setPermissions(ownerReadWrite))
        return true;
    *reason = file.errorString();
    return false;
}

} // namespace tovik
