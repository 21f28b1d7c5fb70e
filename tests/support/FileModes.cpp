#include "FileModes.h"

#include <QFile>
#include <sys/stat.h>

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

ScopedUmask::ScopedUmask(int mask)
    : m_previous(int(::umask(mode_t(mask))))
{
}

ScopedUmask::~ScopedUmask()
{
    ::umask(mode_t(m_previous));
}

} // namespace tovik::test
