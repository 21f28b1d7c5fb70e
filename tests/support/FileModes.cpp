#include "FileModes.h"

#include <QFile>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tovik::test {

int fileMode(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return int(status.st_mode & 07777);
}

bool writeFileWithMode(const QString &path, const QByteArray &bytes, int mode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0
        && fileMode(path) == mode;
}

char fileKind(const QString &path)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return '-';
    if (S_ISREG(status.st_mode))
        return 'f';
    if (S_ISCHR(status.st_mode))
        return 'c';
    if (S_ISFIFO(status.st_mode))
        return 'p';
    if (S_ISLNK(status.st_mode))
        return 'l';
    return S_ISDIR(status.st_mode) ? 'd' : '?';
}

bool makeMemoryDevice(const QString &path, unsigned minor)
{
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

ScopedUmask::ScopedUmask(int mask)
    : m_previous(int(::umask(mode_t(mask))))
{
}

ScopedUmask::~ScopedUmask()
{
    ::umask(mode_t(m_previous));
}

} // namespace tovik::test
