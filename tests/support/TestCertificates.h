#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tovik::test {

// Certificates for tests of encrypted connections, made at run time with the openssl command in a
// temporary directory that lives as long as this object: a CA, a server certificate signed by it
// for localhost and 127.0.0.1, the same server key in a certificate that expired yesterday, and
// a second CA that signed nothing. EC P-256 keys, made in milliseconds.
class TestCertificates
{
public:
    // False (with *error) when openssl is missing or fails.
    bool create(QString *error = nullptr);

    QString caCertificate() const { return path("ca.pem"); }
    QString otherCaCertificate() const { return path("other-ca.pem"); }
    QString serverCertificate() const { return path("server.pem"); }
    QString serverKey() const { return path("server.key"); }
    QString expiredCertificate() const { return path("expired.pem"); }
    QString directory() const { return m_dir.path(); }
    // The end of a certificate's validity as "2026-12-09 15:23:04" (UTC); empty when openssl
    // cannot read it.
    QString endDate(const QString &certificate);

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    bool makeCa(const QString &name, const QString &subject, QString *error);
    bool signServerCertificate(const QString &name, int days, QString *error);
    bool openssl(const QStringList &arguments, QString *error, QByteArray *output = nullptr);

    QTemporaryDir m_dir;
};

} // namespace tovik::test
