#pragma once

#include "TlsSession.h"

#include <memory>
#include <optional>
#include <string>

using SSL_CTX = struct ssl_ctx_st;

namespace tovik::sampleserver {

// The server's certificate and key, loaded once and shared by every connection's TLS session.
class TlsContext
{
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    // Nothing on success, else why the PEM files cannot serve.
    std::optional<std::string> load(const std::string &certificatePath, const std::string &keyPath);
    std::unique_ptr<TlsSession> newSession(TlsSession::Framing framing) const;

private:
    SSL_CTX *m_context = nullptr;
};

} // namespace tovik::sampleserver
