#include "db/FreeTdsConfFile.h"

#include <QDir>
#include <QFile>

namespace tovik {

namespace {

QMutex &environmentMutex()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

FreeTdsConfFile::FreeTdsConfFile()
    : m_lock(&environmentMutex())
    , m_dir(QDir::tempPath() + QStringLiteral("/tovik-freetds-XXXXXX"))
{
    if (qEnvironmentVariableIsSet(kVariable))
        m_previous = qgetenv(kVariable);
}

std::unique_ptr<FreeTdsConfFile> FreeTdsConfFile::create(const QByteArray &text, QString *failure)
{
    std::unique_ptr<FreeTdsConfFile> file(new FreeTdsConfFile);
    if (!file->write(text, failure))
        return nullptr;
    qputenv(kVariable, QFile::encodeName(file->path()));
    return file;
}

bool FreeTdsConfFile::write(const QByteArray &text, QString *failure)
{
    // QTemporaryDir makes its directory 0700.
    QFile file(path());
    if (!m_dir.isValid()
        || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(text) != text.size() || !file.flush()) {
        *failure = QStringLiteral("The FreeTDS configuration for the certificate check cannot be "
                                  "written in %1: %2")
                       .arg(QDir::tempPath(),
                           m_dir.isValid() ? file.errorString() : m_dir.errorString());
        return false;
    }
    return true;
}

FreeTdsConfFile::~FreeTdsConfFile()
{
    if (m_previous)
        qputenv(kVariable, *m_previous);
    else
        qunsetenv(kVariable);
}

QString FreeTdsConfFile::path() const
{
    return m_dir.filePath(QStringLiteral("freetds.conf"));
}

} // namespace tovik
