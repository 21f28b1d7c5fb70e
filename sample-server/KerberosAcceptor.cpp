#include "KerberosAcceptor.h"

#ifdef TOVIK_SAMPLE_SERVER_KERBEROS
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#endif

namespace tovik::sampleserver {

#ifdef TOVIK_SAMPLE_SERVER_KERBEROS

namespace {

// GSSAPI's words for a status code of one kind: major (GSS_C_GSS_CODE) or minor (GSS_C_MECH_CODE).
std::string statusText(OM_uint32 code, int kind)
{
    std::string text;
    OM_uint32 context = 0;
    do {
        OM_uint32 minor = 0;
        gss_buffer_desc part = GSS_C_EMPTY_BUFFER;
        if (gss_display_status(&minor, code, kind, GSS_C_NO_OID, &context, &part) != GSS_S_COMPLETE)
            break;
        text += (text.empty() ? "" : "; ")
            + std::string(static_cast<char *>(part.value), part.length);
        gss_release_buffer(&minor, &part);
    } while (context != 0);
    return text;
}

std::string failureText(OM_uint32 major, OM_uint32 minor)
{
    const std::string mechanism = minor != 0 ? statusText(minor, GSS_C_MECH_CODE) : std::string();
    return statusText(major, GSS_C_GSS_CODE) + (mechanism.empty() ? "" : ": " + mechanism);
}

struct Credential
{
    gss_cred_id_t handle = GSS_C_NO_CREDENTIAL;
    std::string error;

    explicit Credential(const std::string &keytabPath)
    {
        gss_key_value_element_desc keytab {"keytab", keytabPath.c_str()};
        gss_key_value_set_desc store {1, &keytab};
        OM_uint32 minor = 0;
        const OM_uint32 major = gss_acquire_cred_from(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE,
            GSS_C_NO_OID_SET, GSS_C_ACCEPT, &store, &handle, nullptr, nullptr);
        if (GSS_ERROR(major))
            error = "cannot use the keytab " + keytabPath + ": " + failureText(major, minor);
    }
    ~Credential()
    {
        OM_uint32 minor = 0;
        if (handle != GSS_C_NO_CREDENTIAL)
            gss_release_cred(&minor, &handle);
    }
    Credential(const Credential &) = delete;
    Credential &operator=(const Credential &) = delete;
};

std::string displayName(gss_name_t name)
{
    OM_uint32 minor = 0;
    gss_buffer_desc text = GSS_C_EMPTY_BUFFER;
    if (gss_display_name(&minor, name, &text, nullptr) != GSS_S_COMPLETE)
        return {};
    std::string result(static_cast<char *>(text.value), text.length);
    gss_release_buffer(&minor, &text);
    return result;
}

} // namespace

struct KerberosAcceptor::Context
{
    explicit Context(const std::string &keytabPath)
        : credential(keytabPath)
    {
    }
    ~Context()
    {
        OM_uint32 minor = 0;
        if (handle != GSS_C_NO_CONTEXT)
            gss_delete_sec_context(&minor, &handle, GSS_C_NO_BUFFER);
    }
    Credential credential;
    gss_ctx_id_t handle = GSS_C_NO_CONTEXT;
};

bool KerberosAcceptor::available()
{
    return true;
}

std::optional<std::string> KerberosAcceptor::checkKeytab(const std::string &keytabPath)
{
    Credential credential(keytabPath);
    if (!credential.error.empty())
        return credential.error;
    return std::nullopt;
}

KerberosAcceptor::Step KerberosAcceptor::accept(ByteView token)
{
    if (!m_context)
        m_context = std::make_unique<Context>(m_keytabPath);
    if (!m_context->credential.error.empty())
        return {Outcome::Failed, {}, m_context->credential.error};
    gss_buffer_desc input {token.size(), const_cast<std::uint8_t *>(token.data())};
    gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
    gss_name_t client = GSS_C_NO_NAME;
    OM_uint32 minor = 0;
    const OM_uint32 major
        = gss_accept_sec_context(&minor, &m_context->handle, m_context->credential.handle, &input,
            GSS_C_NO_CHANNEL_BINDINGS, &client, nullptr, &output, nullptr, nullptr, nullptr);
    Step step;
    const auto *bytes = static_cast<const std::uint8_t *>(output.value);
    step.reply.assign(bytes, bytes + output.length);
    OM_uint32 ignored = 0;
    gss_release_buffer(&ignored, &output);
    if (GSS_ERROR(major)) {
        step.text = failureText(major, minor);
    } else if (major & GSS_S_CONTINUE_NEEDED) {
        step.outcome = Outcome::Continue;
    } else {
        step.outcome = Outcome::Complete;
        step.text = displayName(client);
    }
    if (client != GSS_C_NO_NAME)
        gss_release_name(&ignored, &client);
    return step;
}

#else

struct KerberosAcceptor::Context
{
};

bool KerberosAcceptor::available()
{
    return false;
}

std::optional<std::string> KerberosAcceptor::checkKeytab(const std::string &)
{
    return "this build has no Kerberos: libgssapi_krb5 (Debian's libkrb5-dev) was missing when it "
           "was configured";
}

KerberosAcceptor::Step KerberosAcceptor::accept(ByteView)
{
    return {Outcome::Failed, {}, *checkKeytab({})};
}

#endif

KerberosAcceptor::KerberosAcceptor(std::string keytabPath)
    : m_keytabPath(std::move(keytabPath))
{
}

KerberosAcceptor::~KerberosAcceptor() = default;

} // namespace tovik::sampleserver
