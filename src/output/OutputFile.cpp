#include "output/OutputFile.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

namespace tovik {

namespace {

constexpr QFileDevice::Permissions kDefaultMode = OutputFile::kPrivateMode | QFileDevice::ReadGroup
    | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
// As many links as the kernel follows before it gives up on a path.
constexpr int kMaxLinkDepth = 40;

// The file a path names once its symbolic links are followed; a dangling link names its target.
QString followLinks(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < kMaxLinkDepth && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

std::filesystem::file_status statusOf(const QString &path)
{
    std::error_code ignored;
    return std::filesystem::status(QFileInfo(path).filesystemFilePath(), ignored);
}

enum class Placement { Refused, InPlace, Beside };

// How content reaches the file at target (links followed): a directory is refused, a device,
// FIFO or socket is written in place, anything else gets a new file renamed over it.
Placement placementOf(const QString &target, QString *reason)
{
    const std::filesystem::file_status status = statusOf(target);
    if (std::filesystem::is_directory(status)) {
        *reason = QStringLiteral("%1 is a directory").arg(target);
        return Placement::Refused;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return Placement::InPlace;
    return Placement::Beside;
}

// A name beside path that no other writer picks at the same moment.
QString newFileName(const QString &path)
{
    return path
        + QStringLiteral(".%1.new").arg(
            QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
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

OutputFile::OutputFile(const QString &path, Access access)
    : m_target(followLinks(path))
    , m_access(access)
{
}

OutputFile::~OutputFile()
{
    if (!m_inPlace && m_file.isOpen()) {
        m_file.close();
        m_file.remove();
    }
}

bool OutputFile::write(const QString &path, Access access,
    const std::function<bool(QIODevice &)> &fill, QString *reason)
{
    OutputFile file(path, access);
    if (!file.open(reason))
        return false;
    if (!fill(file.device())) {
        *reason = file.device().errorString();
        return false;
    }
    return file.commit(reason);
}

bool OutputFile::canWrite(const QString &path, QString *reason)
{
    const QString target = followLinks(path);
    const Placement placement = placementOf(target, reason);
    if (placement == Placement::Refused)
        return false;
    if (placement == Placement::InPlace) {
        if (QFileInfo(target).isWritable())
            return true;
        *reason = QStringLiteral("%1 cannot be written").arg(target);
        return false;
    }
    // A regular file is replaced by a new one beside it: its directory must take one.
    const QFileInfo directory(QFileInfo(target).absolutePath());
    if (!directory.exists())
        *reason = QStringLiteral("the directory %1 does not exist").arg(directory.filePath());
    else if (!directory.isDir())
        *reason = QStringLiteral("%1 is not a directory").arg(directory.filePath());
    else if (!directory.isWritable())
        *reason = QStringLiteral("the directory %1 cannot be written").arg(directory.filePath());
    else
        return true;
    return false;
}

bool OutputFile::open(QString *reason)
{
    switch (placementOf(m_target, reason)) {
    case Placement::Refused:
        return false;
    case Placement::InPlace:
        return openInPlace(reason);
    case Placement::Beside:
        break;
    }
    return openBeside(reason);
}

// ExistingOnly: nothing is created if it went away meanwhile. The truncation that QFile adds to
// WriteOnly does nothing to a device or pipe; Append would, but a pipe cannot seek to its end.
bool OutputFile::openInPlace(QString *reason)
{
    m_inPlace = true;
    m_file.setFileName(m_target);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly))
        return true;
    *reason = m_file.errorString();
    return false;
}

bool OutputFile::openBeside(QString *reason)
{
    const QFileInfo old(m_target);
    const bool keepsOldMode = m_access == Access::Shared && old.exists();
    m_file.setFileName(newFileName(m_target));
    // NewOnly: the mode is the one given here, never that of a file someone left under the name;
    // an old file's mode, where it is kept, is set only once the file is ours.
    const QFileDevice::Permissions mode
        = m_access == Access::Private || keepsOldMode ? kPrivateMode : kDefaultMode;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly, mode)) {
        *reason = m_file.errorString();
        return false;
    }
    if (keepsOldMode && !m_file.setPermissions(old.permissions())) {
        *reason = m_file.errorString();
        return false;
    }
    return true;
}

bool OutputFile::commit(QString *reason)
{
    if (!m_file.flush()) {
        *reason = m_file.errorString();
        return false;
    }
    m_file.close();
    if (m_file.error() != QFileDevice::NoError) {
        *reason = m_file.errorString();
        if (!m_inPlace)
            m_file.remove();
        return false;
    }
    if (m_inPlace)
        return true;
    if (replaceFile(m_file.fileName(), m_target, reason))
        return true;
    m_file.remove();
    return false;
}

} // namespace tovik
