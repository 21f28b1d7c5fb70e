#pragma once

#include "db/ConnectionChoice.h"

#include <QCommandLineParser>
#include <QFile>
#include <optional>

namespace tovik {

// The connection options every command-line program takes (--auth, --server, --port, --database,
// --user, --password-file, --login-timeout, and --encrypt, --trust-server-certificate, --ca-file,
// --host-name-in-certificate for the connection's protection), with the window's defaults. The
// password never comes from the command line, which every user of the machine can read:
// TOVIK_PASSWORD or the first line of --password-file, a file other users cannot read.
class ConnectionCommandLine
{
public:
    static inline const QString passwordVariable = QStringLiteral("TOVIK_PASSWORD");
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 65535;

    // base supplies the values shown as defaults and kept where an option is not given.
    static void addOptions(QCommandLineParser &parser, const ConnectionChoice &base);
    // Nothing, with the reason in *failure, for a value that is none of the option's.
    static std::optional<ConnectionChoice> read(
        const QCommandLineParser &parser, const ConnectionChoice &base, QString *failure);
    // What the user should know about options that choice takes without using them: empty, or
    // lines for standard error.
    static QString notice(const QCommandLineParser &parser, const ConnectionChoice &choice);

private:
    static void addSecurityOptions(QCommandLineParser &parser, const ConnectionSecurity &base);
    // The protection the options ask for, base where they are not given; nothing, with the
    // reason, for an encryption that is none of the modes, a CA file that cannot be read, or both
    // --ca-file and --trust-server-certificate.
    static std::optional<ConnectionSecurity> readSecurity(
        const QCommandLineParser &parser, const ConnectionSecurity &base, QString *failure);

    // The window's authentication text that --auth chooses, base when it is not given; nothing,
    // with the reason, for a text that is none of the three.
    static std::optional<QString> readConnType(
        const QCommandLineParser &parser, const QString &base, QString *failure);

    // The port --port gives, base when it is not given; nothing, with the reason, for a text
    // that is no TCP port.
    static std::optional<QString> readPort(
        const QCommandLineParser &parser, const QString &base, QString *failure);

    // The first line of passwordFile (without its line end) when one is named, since naming it
    // on the command line is the later and plainer choice; else TOVIK_PASSWORD, else empty
    // text. Nothing, with the reason, when the file cannot be read or other users can read it
    // (its group may). The one place a password is read.
    static std::optional<QString> readPassword(const QString &passwordFile, QString *failure);
    static bool readableByOthers(const QFile &file);
};

} // namespace tovik
