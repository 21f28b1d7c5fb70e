#include "output/PrivateFile.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tovik {

namespace {

bool openPrivately(QFile &file, const QString &path, QString *reason)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(),
        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    // An existing file keeps its mode through open(); it is empty now, before any byte is written.
    if (fd < 0 || ::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *reason = file.errorString();
        return false;
    }
    return true;
#else
    // A new file takes the access rules of its folder; the user's own folders are private.
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *reason = file.errorString();
        return false;
    }
    return true;
#endif
}

} // namespace

bool writePieces(QFile &file, const FileBytes &pieces, QString *reason)
{
    for (const QByteArrayView piece : pieces) {
        if (file.write(piece.data(), piece.size()) != piece.size()) {
            *reason = file.errorString();
            return false;
        }
    }
    if (!file.flush()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool writePrivateFile(const QString &path, const FileBytes &pieces, QString *reason)
{
    QFile file;
    return openPrivately(file, path, reason) && writePieces(file, pieces, reason);
}

} // namespace tovik
