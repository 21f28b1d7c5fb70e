#include "TlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <string_view>

namespace tovik::sampleserver {

namespace {

constexpr std::string_view kStrictProtocol = "tds/8.0";

// Agrees on TDS 8.0 when the client offers it; other offers get no answer.
int selectStrictProtocol(SSL *, const unsigned char **selected, unsigned char *selectedLength,
    const unsigned char *offered, unsigned int offeredLength, void *)
{
    // The offer is a list of names, each after its length byte.
    for (unsigned int at = 0; at < offeredLength;) {
        const unsigned int length = offered[at];
        if (at + 1 + length > offeredLength)
            break;
        const std::string_view name(reinterpret_cast<const char *>(offered + at + 1), length);
        if (name == kStrictProtocol) {
            *selected = offered + at + 1;
            *selectedLength = static_cast<unsigned char>(length);
            return SSL_TLSEXT_ERR_OK;
        }
        at += 1 + length;
    }
    return SSL_TLSEXT_ERR_NOACK;
}

// A key protected by a passphrase is refused instead of prompting on the terminal.
int refusePassphrase(char *, int, int, void *)
{
    return 0;
}

} // namespace

TlsContext::TlsContext() = default;

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_context);
}

std::optional<std::string> TlsContext::load(
    const std::string &certificatePath, const std::string &keyPath)
{
    m_context = SSL_CTX_new(TLS_server_method());
    if (!m_context)
        return TlsSession::lastError("cannot set up TLS");
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    // Every connection makes a full handshake, in which the server sends the last flight: so
    // nothing from the client follows the handshake it wraps in PRELOGIN packets before the
    // server has answered it.
    SSL_CTX_set_session_cache_mode(m_context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_options(m_context, SSL_OP_NO_TICKET);
    SSL_CTX_set_num_tickets(m_context, 0);
    SSL_CTX_set_default_passwd_cb(m_context, refusePassphrase);
    if (SSL_CTX_use_certificate_chain_file(m_context, certificatePath.c_str()) != 1) {
        return "cannot use the certificate " + certificatePath + ": "
            + TlsSession::lastError("no PEM certificate");
    }
    if (SSL_CTX_use_PrivateKey_file(m_context, keyPath.c_str(), SSL_FILETYPE_PEM) != 1)
        return "cannot use the key " + keyPath + ": " + TlsSession::lastError("no PEM key");
    if (SSL_CTX_check_private_key(m_context) != 1) {
        ERR_clear_error();
        return "the key " + keyPath + " does not belong to the certificate " + certificatePath;
    }
    SSL_CTX_set_alpn_select_cb(m_context, selectStrictProtocol, nullptr);
    return std::nullopt;
}

std::unique_ptr<TlsSession> TlsContext::newSession(TlsSession::Framing framing) const
{
    SSL *ssl = m_context ? SSL_new(m_context) : nullptr;
    if (!ssl)
        return nullptr;
    return std::make_unique<TlsSession>(ssl, framing);
}

} // namespace tovik::sampleserver
