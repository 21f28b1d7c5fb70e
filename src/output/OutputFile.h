#pragma once

#include <QFile>
#include <QString>
#include <functional>

namespace tovik {

// A file written whole or not at all, for every file the programs write at a path a user names.
// A regular file, or a missing one, gets its content in a new file beside it that is renamed
// over it once complete, so a reader never sees half of it and a failure leaves the old file as
// it was. A symbolic link is followed and its target written the same way; the link stays. A
// device, FIFO or socket is written in place and stays what it is: renaming over it would put a
// regular file where /dev/null or a named pipe was. A directory is refused.
class OutputFile
{
public:
    enum class Access {
        // Readable and writable by the owner only (0600 on POSIX), whatever mode an old file had.
        Private,
        // An old file's mode is kept; a new file gets the default mode less the umask.
        Shared,
    };

    // The mode of a private file, and of a private directory less its search bit.
    static constexpr QFileDevice::Permissions kPrivateMode
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

    OutputFile(const QString &path, Access access);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Opens the file at path, lets fill write the content and puts it in place; false, with the
    // reason, at the first step that fails (fill's failure is the device's error).
    static bool write(const QString &path, Access access,
        const std::function<bool(QIODevice &)> &fill, QString *reason);

    // Whether write() could open path, found without creating, truncating or opening anything,
    // so that a program can refuse a bad path before its work; false, with the reason, when not.
    static bool canWrite(const QString &path, QString *reason);

    // False, with the reason, when nothing can be written there.
    bool open(QString *reason);
    // Where the content goes once open() succeeded.
    QIODevice &device() { return m_file; }
    // Puts the content in place; false, with the reason, when it could not be written whole.
    bool commit(QString *reason);

private:
    bool openInPlace(QString *reason);
    bool openBeside(QString *reason);

    QString m_target;
    Access m_access;
    bool m_inPlace = false;
    QFile m_file;
};

} // namespace tovik
