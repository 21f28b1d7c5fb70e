#include "options/KerberosProbe.h"

#include "common/TimeFormats.h"
#include "db/ServerEndpoint.h"
#include "db/SqlBrowserLookup.h"

#include <QDateTime>

#if defined(Q_OS_UNIX) && __has_include(<gssapi/gssapi.h>) && __has_include(<krb5/krb5.h>)
#define TOVIK_KERBEROS_PROBE
#include <dlfcn.h>
#include <gssapi/gssapi.h>
#include <krb5/krb5.h>
#include <netdb.h>
#endif

namespace tovik {

namespace {

// The Browser answers on loopback or a LAN in milliseconds; the driver has just asked it too.
constexpr int kBrowserWaitMs = 2000;

#ifdef TOVIK_KERBEROS_PROBE

// The sonames Debian's FreeTDS driver links.
constexpr const char *kGssLibrary = "libgssapi_krb5.so.2";
constexpr const char *kKrb5Library = "libkrb5.so.3";

// A symbol of a library loaded (and kept loaded) for the probe, typed like its declaration.
template<typename Function>
Function *symbol(const char *library, const char *name)
{
    void *handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<Function *>(::dlsym(handle, name)) : nullptr;
}

#define TOVIK_KRB5(name) symbol<decltype(name)>(kKrb5Library, #name)
#define TOVIK_GSS(name) symbol<decltype(name)>(kGssLibrary, #name)

QString canonicalHost(const QString &host)
{
    if (host.contains(u'.'))
        return host;
    addrinfo hints {};
    hints.ai_flags = AI_CANONNAME;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.toLocal8Bit().constData(), nullptr, &hints, &found) != 0)
        return host;
    const QString canonical
        = found->ai_canonname ? QString::fromLocal8Bit(found->ai_canonname) : QString();
    ::freeaddrinfo(found);
    return canonical.contains(u'.') ? canonical : host;
}

// The client principal of the default cache and the end of its ticket-granting ticket; nothing
// when there is no readable cache.
struct CacheTicket
{
    QString client;
    QDateTime end;
};

std::optional<CacheTicket> cacheTicket()
{
    const auto initContext = TOVIK_KRB5(krb5_init_context);
    const auto freeContext = TOVIK_KRB5(krb5_free_context);
    const auto ccDefault = TOVIK_KRB5(krb5_cc_default);
    const auto ccClose = TOVIK_KRB5(krb5_cc_close);
    const auto getPrincipal = TOVIK_KRB5(krb5_cc_get_principal);
    const auto freePrincipal = TOVIK_KRB5(krb5_free_principal);
    const auto unparse = TOVIK_KRB5(krb5_unparse_name);
    const auto freeName = TOVIK_KRB5(krb5_free_unparsed_name);
    const auto startSequence = TOVIK_KRB5(krb5_cc_start_seq_get);
    const auto nextCredential = TOVIK_KRB5(krb5_cc_next_cred);
    const auto endSequence = TOVIK_KRB5(krb5_cc_end_seq_get);
    const auto freeContents = TOVIK_KRB5(krb5_free_cred_contents);
    if (!initContext || !freeContext || !ccDefault || !ccClose || !getPrincipal || !freePrincipal
        || !unparse || !freeName || !startSequence || !nextCredential || !endSequence
        || !freeContents)
        return std::nullopt;
    krb5_context context = nullptr;
    if (initContext(&context) != 0)
        return std::nullopt;
    const auto nameOf = [&](krb5_const_principal principal) {
        char *text = nullptr;
        if (unparse(context, principal, &text) != 0)
            return QString();
        const QString name = QString::fromUtf8(text);
        freeName(context, text);
        return name;
    };
    std::optional<CacheTicket> ticket;
    krb5_ccache cache = nullptr;
    krb5_principal client = nullptr;
    krb5_cc_cursor cursor = nullptr;
    if (ccDefault(context, &cache) == 0 && getPrincipal(context, cache, &client) == 0
        && startSequence(context, cache, &cursor) == 0) {
        ticket = CacheTicket {nameOf(client), {}};
        krb5_creds credential;
        while (nextCredential(context, cache, &cursor, &credential) == 0) {
            const QDateTime end
                = QDateTime::fromSecsSinceEpoch(static_cast<quint32>(credential.times.endtime));
            if (nameOf(credential.server).startsWith(QLatin1String("krbtgt/"))
                && (!ticket->end.isValid() || end > ticket->end))
                ticket->end = end;
            freeContents(context, &credential);
        }
        endSequence(context, cache, &cursor);
    }
    if (client)
        freePrincipal(context, client);
    if (cache)
        ccClose(context, cache);
    freeContext(context);
    return ticket;
}

QString defaultRealm()
{
    const auto initContext = TOVIK_KRB5(krb5_init_context);
    const auto freeContext = TOVIK_KRB5(krb5_free_context);
    const auto getRealm = TOVIK_KRB5(krb5_get_default_realm);
    const auto freeRealm = TOVIK_KRB5(krb5_free_default_realm);
    krb5_context context = nullptr;
    if (!initContext || !freeContext || !getRealm || !freeRealm || initContext(&context) != 0)
        return {};
    char *realm = nullptr;
    QString name;
    if (getRealm(context, &realm) == 0) {
        name = QString::fromUtf8(realm);
        freeRealm(context, realm);
    }
    freeContext(context);
    return name;
}

QString mechanismStatus(OM_uint32 minor)
{
    const auto displayStatus = TOVIK_GSS(gss_display_status);
    const auto releaseBuffer = TOVIK_GSS(gss_release_buffer);
    if (!displayStatus || !releaseBuffer)
        return {};
    QString text;
    OM_uint32 more = 0;
    do {
        OM_uint32 ignored = 0;
        gss_buffer_desc part = GSS_C_EMPTY_BUFFER;
        if (displayStatus(&ignored, minor, GSS_C_MECH_CODE, GSS_C_NO_OID, &more, &part)
            != GSS_S_COMPLETE)
            break;
        text += (text.isEmpty() ? QString() : QStringLiteral("; "))
            + QString::fromUtf8(static_cast<const char *>(part.value), int(part.length));
        releaseBuffer(&ignored, &part);
    } while (more != 0);
    return text;
}

// Kerberos's reason for giving no service ticket for the principal, as FreeTDS asks for it
// (a Kerberos principal name, no mutual authentication); empty when it gives one.
QString serviceTicketFailure(const QString &principal)
{
    const auto importName = TOVIK_GSS(gss_import_name);
    const auto releaseName = TOVIK_GSS(gss_release_name);
    const auto initContext = TOVIK_GSS(gss_init_sec_context);
    const auto deleteContext = TOVIK_GSS(gss_delete_sec_context);
    const auto releaseBuffer = TOVIK_GSS(gss_release_buffer);
    if (!importName || !releaseName || !initContext || !deleteContext || !releaseBuffer)
        return {};
    // GSS_KRB5_NT_PRINCIPAL_NAME, 1.2.840.113554.1.2.2.1
    static char principalOid[] = "\x2a\x86\x48\x86\xf7\x12\x01\x02\x02\x01";
    gss_OID_desc principalType {10, principalOid};
    QByteArray text = principal.toUtf8();
    gss_buffer_desc nameBuffer {static_cast<size_t>(text.size()), text.data()};
    OM_uint32 minor = 0;
    gss_name_t name = GSS_C_NO_NAME;
    if (importName(&minor, &nameBuffer, &principalType, &name) != GSS_S_COMPLETE)
        return {};
    gss_ctx_id_t context = GSS_C_NO_CONTEXT;
    gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
    const OM_uint32 major
        = initContext(&minor, GSS_C_NO_CREDENTIAL, &context, name, GSS_C_NO_OID, GSS_C_REPLAY_FLAG,
            0, GSS_C_NO_CHANNEL_BINDINGS, GSS_C_NO_BUFFER, nullptr, &token, nullptr, nullptr);
    OM_uint32 ignored = 0;
    releaseBuffer(&ignored, &token);
    if (context != GSS_C_NO_CONTEXT)
        deleteContext(&ignored, &context, GSS_C_NO_BUFFER);
    releaseName(&ignored, &name);
    return GSS_ERROR(major) ? mechanismStatus(minor) : QString();
}

#undef TOVIK_KRB5
#undef TOVIK_GSS

#else

QString canonicalHost(const QString &host)
{
    return host;
}

#endif

} // namespace

QString KerberosProbe::servicePrincipal(const ConnectionFields &fields)
{
    const ServerEndpoint endpoint = ServerEndpoint::of(fields);
    bool numeric = false;
    const quint16 port = endpoint.instance.isEmpty()
        ? endpoint.port.toUShort(&numeric)
        : SqlBrowserLookup::tcpPort(endpoint.host, endpoint.instance, kBrowserWaitMs).value_or(0);
    if (endpoint.host.isEmpty() || port == 0)
        return {};
    return QStringLiteral("MSSQLSvc/%1:%2").arg(canonicalHost(endpoint.host)).arg(port);
}

QString KerberosProbe::ticketHolder()
{
#ifdef TOVIK_KERBEROS_PROBE
    const auto ticket = cacheTicket();
    return ticket ? ticket->client : QString();
#else
    return {};
#endif
}

QString KerberosProbe::problem(const ConnectionFields &fields)
{
#ifdef TOVIK_KERBEROS_PROBE
    const auto ticket = cacheTicket();
    if (!ticket)
        return {};
    if (ticket->end.isValid() && ticket->end <= QDateTime::currentDateTime()) {
        return QStringLiteral("the Kerberos ticket of %1 ended at %2: get a new one with kinit")
            .arg(ticket->client, ticket->end.toString(TimeFormats::kSecond));
    }
    const QString principal = servicePrincipal(fields);
    if (principal.isEmpty())
        return {};
    const QString failure = serviceTicketFailure(principal);
    if (failure.isEmpty())
        return {};
    return QStringLiteral("Kerberos gives %1 no ticket for %2@%3, the service principal FreeTDS "
                          "asks for: %4")
        .arg(ticket->client, principal, defaultRealm(), failure);
#else
    Q_UNUSED(fields);
    return {};
#endif
}

} // namespace tovik
