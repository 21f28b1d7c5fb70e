#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace tovik {

// A freetds.conf of the program's own for the length of one connect: written private (0600 in a
// 0700 directory), named to the driver by FREETDSCONF, which FreeTDS reads each time it connects,
// and removed with the variable's earlier value restored when the object ends. The environment is
// the whole process's, so one connect at a time holds it.
class FreeTdsConfFile
{
public:
    // Null, with the reason, when the file cannot be written.
    static std::unique_ptr<FreeTdsConfFile> create(const QByteArray &text, QString *failure);

    ~FreeTdsConfFile();
    FreeTdsConfFile(const FreeTdsConfFile &) = delete;
    FreeTdsConfFile &operator=(const FreeTdsConfFile &) = delete;

    QString path() const;

    static inline const char kVariable[] = "FREETDSCONF";

private:
    FreeTdsConfFile();
    bool write(const QByteArray &text, QString *failure);

    QMutexLocker<QMutex> m_lock;
    QTemporaryDir m_dir;
    std::optional<QByteArray> m_previous;
};

} // namespace tovik
