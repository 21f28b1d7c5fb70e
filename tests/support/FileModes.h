#pragma once

#include <QByteArray>
#include <QString>

namespace tovik::test {

// The permission bits of the file or directory at path (as in 0600), or -1 when there is none.
int fileMode(const QString &path);
// A file holding bytes with exactly this mode, as an earlier program or user may have left it.
bool writeFileWithMode(const QString &path, const QByteArray &bytes, int mode);

// The kind of file at path, without following a link: 'f' regular, 'c' character device, 'p'
// FIFO, 'l' link, 'd' directory, '?' another, '-' none.
char fileKind(const QString &path);
// A copy of one of the kernel's memory devices (minor 3 is null, 7 full); only root may make one.
bool makeMemoryDevice(const QString &path, unsigned minor);

// Sets the process's umask for its lifetime, then restores the previous one.
class ScopedUmask
{
public:
    explicit ScopedUmask(int mask);
    ~ScopedUmask();
    ScopedUmask(const ScopedUmask &) = delete;
    ScopedUmask &operator=(const ScopedUmask &) = delete;

private:
    int m_previous;
};

} // namespace tovik::test
