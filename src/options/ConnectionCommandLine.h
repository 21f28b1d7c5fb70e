#pragma once

#include "db/ConnectionChoice.h"

#include <QCommandLineParser>
#include <optional>

namespace tovik {

// The connection options every command-line program takes (--auth, --server, --port, --database,
// --user, --password-file, --login-timeout), with the window's defaults. The password never comes
// from the command line, which every user of the machine can read: TOVIK_PASSWORD or the first
// line of --password-file.
class ConnectionCommandLine
{
public:
    static inline const QString passwordVariable = QStringLiteral("TOVIK_PASSWORD");

    // base supplies the values shown as defaults and kept where an option is not given.
    static void addOptions(QCommandLineParser &parser, const ConnectionChoice &base);
    // Nothing, with the reason in *failure, for a value that is none of the option's.
    static std::optional<ConnectionChoice> read(
        const QCommandLineParser &parser, const ConnectionChoice &base, QString *failure);
    // "windows", "local" or "remote" for a window's authentication text, and back.
    static QString authArgument(const QString &connType);
    static std::optional<QString> connType(const QString &authArgument);

private:
    // The window's authentication text that --auth chooses, base when it is not given; nothing,
    // with the reason, for a text that is none of the three.
    static std::optional<QString> readConnType(
        const QCommandLineParser &parser, const QString &base, QString *failure);

    // TOVIK_PASSWORD when it is set and not empty, else the first line of passwordFile (without
    // its line end), else empty text. Nothing, with the reason, when the file cannot be read.
    // The one place a password is read.
    static std::optional<QString> readPassword(const QString &passwordFile, QString *failure);
};

} // namespace tovik
