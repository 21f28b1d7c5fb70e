#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace tovik::test {

// A throwaway Kerberos realm (MIT Kerberos) on loopback for tests of integrated logins: its
// configuration, KDC database, keytab and ticket cache in a private temporary directory, the KDC
// on a free loopback port as a child process. start() points KRB5_CONFIG, KRB5_KDC_PROFILE,
// KRB5CCNAME and KRB5RCACHEDIR of this process (and so of every child it starts) there, so that
// the machine's own Kerberos setup is never read or touched; the destructor ends the KDC by its
// PID, restores the variables and removes the directory.
class KerberosRealm
{
public:
    static constexpr const char *kRealm = "TOVIK.TEST";
    static constexpr const char *kUser = "alice";
    static constexpr const char *kOtherUser = "bob";
    static constexpr const char *kPassword = "Alice-pw1";

    KerberosRealm();
    ~KerberosRealm();
    KerberosRealm(const KerberosRealm &) = delete;
    KerberosRealm &operator=(const KerberosRealm &) = delete;

    // Why the realm cannot be made here (the packages or a sample server without Kerberos), or
    // empty; the tests skip with this text.
    static QString unavailableReason();

    // Makes the realm with the users alice and bob (password kPassword) and the service
    // MSSQLSvc/localhost:1433, and starts the KDC.
    bool start(QString *error);
    // A service principal such as MSSQLSvc/localhost:1433, its keys added to keytab().
    bool addService(const QString &principal, QString *error);
    // A ticket for the user into the private cache; lifetime as kinit -l takes it ("2s").
    bool obtainTicket(const QString &user, QString *error, const QString &lifetime = {});
    // Removes the private ticket cache.
    void destroyTickets();
    // Whether the cache's ticket-granting ticket has ended (klist -s fails).
    bool ticketExpired() const;

    QString keytab() const { return path("server.keytab"); }
    QString cache() const { return path("tickets"); }
    // A krb5.conf like the realm's whose default realm is one the KDC does not serve.
    QString foreignRealmConfig() const { return path("foreign-krb5.conf"); }
    QString principal(const QString &user) const { return user + '@' + kRealm; }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    bool writeConfigs(quint16 port, QString *error);
    bool run(const QString &program, const QStringList &arguments, QString *error,
        const QByteArray &input = {}) const;
    bool waitForKdc(quint16 port, QString *error);

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_kdc;
    QStringList m_setVariables;
};

} // namespace tovik::test
