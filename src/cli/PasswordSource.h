#pragma once

#include <QString>
#include <optional>

namespace tovik {

// Where the password of a command-line run comes from: never the command line, which every user
// of the machine can read.
namespace PasswordSource {

inline const QString environmentVariable = QStringLiteral("TOVIK_PASSWORD");

// TOVIK_PASSWORD when it is set and not empty, else the first line of passwordFile (without its
// line end), else empty text. Nothing, with the reason, when the file cannot be read.
std::optional<QString> read(const QString &passwordFile, QString *failure);

} // namespace PasswordSource

} // namespace tovik
