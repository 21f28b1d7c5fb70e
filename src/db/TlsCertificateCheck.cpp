#include "db/TlsCertificateCheck.h"

#include "common/TimeFormats.h"
#include "db/PreloginChannel.h"

#include <QDateTime>
#include <QHostAddress>
#include <QStringList>
#include <QTimeZone>
#include <QtEndian>
#include <memory>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace tovik {

namespace {

template<auto Free>
struct Deleter
{
    template<typename T>
    void operator()(T *value) const
    {
        Free(value);
    }
};
using SslContext = std::unique_ptr<SSL_CTX, Deleter<SSL_CTX_free>>;
using Ssl = std::unique_ptr<SSL, Deleter<SSL_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO_free>>;
using GeneralNames = std::unique_ptr<GENERAL_NAMES, Deleter<GENERAL_NAMES_free>>;

QByteArray drain(BIO *bio)
{
    QByteArray bytes(int(BIO_ctrl_pending(bio)), Qt::Uninitialized);
    if (!bytes.isEmpty())
        BIO_read(bio, bytes.data(), int(bytes.size()));
    return bytes;
}

// Takes whatever certificate comes: the check is made afterwards, from the verification result
// OpenSSL keeps.
SslContext clientContext(const ConnectionSecurity &security)
{
    SslContext context(SSL_CTX_new(TLS_client_method()));
    if (!context)
        return nullptr;
    SSL_CTX_set_max_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
    const QByteArray caFile = security.caFile.toLocal8Bit();
    const int loaded = caFile.isEmpty()
        ? SSL_CTX_set_default_verify_paths(context.get())
        : SSL_CTX_load_verify_locations(context.get(), caFile.constData(), nullptr);
    ERR_clear_error();
    return loaded == 1 ? std::move(context) : nullptr;
}

bool expectName(SSL *ssl, const QString &serverName)
{
    const QByteArray name = serverName.toUtf8();
    if (QHostAddress(serverName).isNull())
        return SSL_set1_host(ssl, name.constData()) == 1;
    return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.constData()) == 1;
}

// Runs the handshake through the channel, one PRELOGIN message per flight each way, until it
// ends either way; the server's certificate has arrived by then if it ever does.
void handshake(SSL *ssl, BIO *incoming, BIO *outgoing, PreloginChannel &channel)
{
    for (;;) {
        const int result = SSL_do_handshake(ssl);
        const QByteArray flight = drain(outgoing);
        if ((!flight.isEmpty() && !channel.send(flight)) || result == 1
            || SSL_get_error(ssl, result) != SSL_ERROR_WANT_READ)
            return;
        const std::optional<QByteArray> answer = channel.receive();
        if (!answer || answer->isEmpty())
            return;
        BIO_write(incoming, answer->constData(), int(answer->size()));
    }
}

QString asn1Text(const ASN1_STRING *text)
{
    return QString::fromUtf8(
        reinterpret_cast<const char *>(ASN1_STRING_get0_data(text)), ASN1_STRING_length(text));
}

QString ipText(const ASN1_OCTET_STRING *address)
{
    QHostAddress host;
    const unsigned char *bytes = ASN1_STRING_get0_data(address);
    if (ASN1_STRING_length(address) == 4)
        host.setAddress(qFromBigEndian<quint32>(bytes));
    else if (ASN1_STRING_length(address) == 16)
        host.setAddress(bytes);
    return host.toString();
}

// The names a certificate is for: its subject alternative names, or its common name without any.
QStringList certificateNames(X509 *certificate)
{
    QStringList names;
    const GeneralNames alternatives(static_cast<GENERAL_NAMES *>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr)));
    for (int at = 0; alternatives && at < sk_GENERAL_NAME_num(alternatives.get()); ++at) {
        const GENERAL_NAME *name = sk_GENERAL_NAME_value(alternatives.get(), at);
        if (name->type == GEN_DNS)
            names << asn1Text(name->d.dNSName);
        else if (name->type == GEN_IPADD)
            names << ipText(name->d.iPAddress);
    }
    const X509_NAME *subject = X509_get_subject_name(certificate);
    const int commonName = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (names.isEmpty() && commonName >= 0)
        names << asn1Text(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, commonName)));
    return names;
}

QString dateText(const ASN1_TIME *time)
{
    std::tm parts {};
    if (ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    const QDateTime utc(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
        QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), QTimeZone::utc());
    return utc.toString(TimeFormats::kSecond) + QStringLiteral(" UTC");
}

QString issuerText(X509 *certificate)
{
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!bio
        || X509_NAME_print_ex(bio.get(), X509_get_issuer_name(certificate), 0, XN_FLAG_RFC2253) < 0)
        return {};
    return QString::fromUtf8(drain(bio.get()));
}

QString authoritiesText(const ConnectionSecurity &security)
{
    return security.caFile.isEmpty()
        ? QStringLiteral("the system's certificate authorities")
        : QStringLiteral("the certificate authorities in %1").arg(security.caFile);
}

QString failureText(
    long result, X509 *certificate, const ConnectionSecurity &security, const QString &serverName)
{
    switch (result) {
    case X509_V_OK:
        return {};
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("the server's certificate has expired; it was valid until %1")
            .arg(dateText(X509_get0_notAfter(certificate)));
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("the server's certificate is not valid yet; it is valid from %1")
            .arg(dateText(X509_get0_notBefore(certificate)));
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("the name in the server's certificate is not the server's; it is "
                              "for %1, not for %2")
            .arg(certificateNames(certificate).join(QStringLiteral(", ")), serverName);
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return QStringLiteral("the server's certificate is not signed by %1; its issuer is %2")
            .arg(authoritiesText(security), issuerText(certificate));
    default:
        return QStringLiteral("the server's certificate does not check; OpenSSL says: %1")
            .arg(QString::fromUtf8(X509_verify_cert_error_string(result)));
    }
}

} // namespace

QString TlsCertificateCheck::failure(
    PreloginChannel &channel, const ConnectionSecurity &security, const QString &serverName)
{
    const SslContext context = clientContext(security);
    const Ssl ssl(context ? SSL_new(context.get()) : nullptr);
    if (!ssl || !expectName(ssl.get(), serverName))
        return {};
    BIO *incoming = BIO_new(BIO_s_mem());
    BIO *outgoing = BIO_new(BIO_s_mem());
    SSL_set_bio(ssl.get(), incoming, outgoing);
    SSL_set_connect_state(ssl.get());
    handshake(ssl.get(), incoming, outgoing, channel);
    ERR_clear_error();
    X509 *certificate = SSL_get0_peer_certificate(ssl.get());
    if (!certificate)
        return {};
    return failureText(SSL_get_verify_result(ssl.get()), certificate, security, serverName);
}

} // namespace tovik
