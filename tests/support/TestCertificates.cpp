#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace tovik::test {

namespace {

constexpr int kOpensslTimeoutMs = 30000;
const QStringList kNewEcKey {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes"};
const QByteArray kServerExtensions = "subjectAltName=DNS:localhost,IP:127.0.0.1\n"
                                     "basicConstraints=critical,CA:FALSE\n"
                                     "keyUsage=critical,digitalSignature\n"
                                     "extendedKeyUsage=serverAuth\n";

} // namespace

bool TestCertificates::create(QString *error)
{
    if (!m_dir.isValid()) {
        if (error)
            *error = "no temporary directory: " + m_dir.errorString();
        return false;
    }
    QFile extensions(path("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write(kServerExtensions) < 0) {
        if (error)
            *error = "cannot write " + extensions.fileName();
        return false;
    }
    extensions.close();
    return makeCa("ca", "/CN=Tovik Test CA", error)
        && makeCa("other-ca", "/CN=Tovik Other Test CA", error)
        && openssl(QStringList {"req"} + kNewEcKey
                + QStringList {"-keyout", serverKey(), "-out", path("server.csr"), "-subj",
                    "/CN=localhost"},
            error)
        && signServerCertificate("server.pem", 2, error)
        // A negative validity ends it before it begins: expired since yesterday.
        && signServerCertificate("expired.pem", -1, error);
}

bool TestCertificates::makeCa(const QString &name, const QString &subject, QString *error)
{
    return openssl(QStringList {"req", "-x509"} + kNewEcKey
            + QStringList {"-keyout", path(name + ".key"), "-out", path(name + ".pem"), "-days",
                "2", "-subj", subject, "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                "keyUsage=critical,keyCertSign,cRLSign"},
        error);
}

bool TestCertificates::signServerCertificate(const QString &name, int days, QString *error)
{
    return openssl({"x509", "-req", "-in", path("server.csr"), "-CA", caCertificate(), "-CAkey",
                       path("ca.key"), "-set_serial", QString::number(days + 100), "-days",
                       QString::number(days), "-extfile", path("server.ext"), "-out", path(name)},
        error);
}

QString TestCertificates::endDate(const QString &certificate)
{
    QByteArray output;
    if (!openssl({"x509", "-in", certificate, "-noout", "-enddate", "-dateopt", "iso_8601"},
            nullptr, &output))
        return {};
    // "notAfter=2026-12-09 15:23:04Z"
    return QString::fromLatin1(output.trimmed()).section(u'=', 1).remove(u'Z');
}

bool TestCertificates::openssl(const QStringList &arguments, QString *error, QByteArray *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start("openssl", arguments);
    const bool finished
        = process.waitForStarted(kOpensslTimeoutMs) && process.waitForFinished(kOpensslTimeoutMs);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
        if (output)
            *output = process.readAll();
        return true;
    }
    if (error) {
        *error = "openssl " + arguments.join(' ') + " failed: " + process.errorString() + " "
            + QString::fromLocal8Bit(process.readAll());
    }
    return false;
}

} // namespace tovik::test
