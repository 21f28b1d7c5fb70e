#include "TlsSession.h"

#include <array>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <system_error>

namespace tovik::sampleserver {

namespace {

// The largest plaintext a TLS record carries.
constexpr std::size_t kMaxRecordPlaintext = 16 * 1024;

} // namespace

TlsSession::TlsSession(SSL *ssl, Framing framing)
    : m_ssl(ssl)
    , m_incoming(BIO_new(BIO_s_mem()))
    , m_outgoing(BIO_new(BIO_s_mem()))
{
    // An empty buffer means "more bytes later", not the end of the stream.
    BIO_set_mem_eof_return(m_incoming, -1);
    BIO_set_mem_eof_return(m_outgoing, -1);
    SSL_set_bio(m_ssl, m_incoming, m_outgoing);
    if (framing == Framing::Tds7)
        SSL_set_max_proto_version(m_ssl, TLS1_2_VERSION);
    SSL_set_accept_state(m_ssl);
}

TlsSession::~TlsSession()
{
    SSL_free(m_ssl);
}

void TlsSession::feed(ByteView received)
{
    if (!received.empty())
        BIO_write(m_incoming, received.data(), static_cast<int>(received.size()));
}

TlsSession::Handshake TlsSession::continueHandshake()
{
    ERR_clear_error();
    const int result = SSL_do_handshake(m_ssl);
    if (result == 1)
        return Handshake::Done;
    if (SSL_get_error(m_ssl, result) == SSL_ERROR_WANT_READ)
        return Handshake::InProgress;
    m_failure = lastError("the client broke the handshake off");
    return Handshake::Failed;
}

std::optional<Bytes> TlsSession::readRecord()
{
    std::array<std::uint8_t, kMaxRecordPlaintext> buffer;
    ERR_clear_error();
    const int count = SSL_read(m_ssl, buffer.data(), static_cast<int>(buffer.size()));
    if (count > 0)
        return Bytes(buffer.begin(), buffer.begin() + count);
    const int error = SSL_get_error(m_ssl, count);
    if (error == SSL_ERROR_WANT_READ)
        return Bytes();
    m_failure = error == SSL_ERROR_ZERO_RETURN ? std::string("the client ended TLS")
                                               : lastError("a TLS record cannot be read");
    return std::nullopt;
}

void TlsSession::write(ByteView plaintext)
{
    // The outgoing buffer grows as needed, so a write is never partial.
    if (!plaintext.empty())
        SSL_write(m_ssl, plaintext.data(), static_cast<int>(plaintext.size()));
}

Bytes TlsSession::takeOutgoing()
{
    return drain(m_outgoing);
}

Bytes TlsSession::takeUnread()
{
    return drain(m_incoming);
}

Bytes TlsSession::drain(BIO *bio)
{
    Bytes bytes(BIO_ctrl_pending(bio));
    if (!bytes.empty())
        BIO_read(bio, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

std::string TlsSession::protocol() const
{
    return SSL_get_version(m_ssl);
}

std::string TlsSession::applicationProtocol() const
{
    const unsigned char *name = nullptr;
    unsigned int length = 0;
    SSL_get0_alpn_selected(m_ssl, &name, &length);
    return name ? std::string(reinterpret_cast<const char *>(name), length) : std::string();
}

std::string TlsSession::lastError(const std::string &fallback)
{
    // The first error is the cause; the ones after it name the calls it went up through.
    const unsigned long code = ERR_peek_error();
    ERR_clear_error();
    if (ERR_SYSTEM_ERROR(code))
        return std::generic_category().message(ERR_GET_REASON(code));
    const char *reason = code ? ERR_reason_error_string(code) : nullptr;
    return reason ? std::string(reason) : fallback;
}

} // namespace tovik::sampleserver
