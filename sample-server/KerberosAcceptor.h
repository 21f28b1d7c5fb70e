#pragma once

#include "Bytes.h"

#include <memory>
#include <optional>
#include <string>

namespace tovik::sampleserver {

// The server's side of one integrated login: GSSAPI (MIT Kerberos) contexts accepted with the
// service keys of a keytab. A build without libgssapi_krb5 has the class, but available() is
// false and every login it is asked to accept fails.
class KerberosAcceptor
{
public:
    enum class Outcome { Continue, Complete, Failed };
    struct Step
    {
        Outcome outcome = Outcome::Failed;
        // The token for the client (an AP-REP when it asked for mutual authentication); may be
        // empty when the context is complete.
        Bytes reply;
        // Complete: the client's principal, "alice@TOVIK.TEST". Failed: GSSAPI's reason.
        std::string text;
    };

    explicit KerberosAcceptor(std::string keytabPath);
    ~KerberosAcceptor();
    KerberosAcceptor(const KerberosAcceptor &) = delete;
    KerberosAcceptor &operator=(const KerberosAcceptor &) = delete;

    static bool available();
    // Nothing when the keytab holds keys to accept with, else the reason it does not.
    static std::optional<std::string> checkKeytab(const std::string &keytabPath);

    Step accept(ByteView token);

private:
    struct Context;
    std::string m_keytabPath;
    std::unique_ptr<Context> m_context;
};

} // namespace tovik::sampleserver
