#include "db/FreeTdsServerSection.h"

#include <QList>

namespace tovik {

namespace {

// FreeTDS reads a line of up to 255 bytes, ends a value at ";" or "#" and folds runs of blanks.
constexpr qsizetype kLongestLine = 250;

struct Entry
{
    QString key;
    QString value;
};

bool fitsConfFile(const Entry &entry)
{
    const QString value = entry.value;
    return !value.isEmpty() && value == value.simplified() && !value.contains(u';')
        && !value.contains(u'#') && entry.key.size() + value.toUtf8().size() + 4 < kLongestLine;
}

} // namespace

std::optional<QByteArray> FreeTdsServerSection::text(
    const ConnectionFields &fields, const ConnectionSecurity &security, QString *failure)
{
    const QString host = fields.SqlDbServer.section(u'\\', 0, 0);
    const QString instance = fields.SqlDbServer.section(u'\\', 1);
    if (!security.hostNameInCertificate.isEmpty()
        && security.hostNameInCertificate.compare(host, Qt::CaseInsensitive) != 0) {
        *failure = QStringLiteral("FreeTDS checks the certificate against the server's own name "
                                  "(%1); it cannot check it for %2.")
                       .arg(host, security.hostNameInCertificate);
        return std::nullopt;
    }
    QList<Entry> entries {{QStringLiteral("host"), host}};
    if (fields.authMode() == AuthMode::RemoteSql)
        entries << Entry {QStringLiteral("port"), fields.SqlDbPort};
    else if (!instance.isEmpty())
        entries << Entry {QStringLiteral("instance"), instance};
    entries << Entry {QStringLiteral("encryption"), QStringLiteral("require")}
            << Entry {QStringLiteral("ca file"),
                   security.caFile.isEmpty() ? QStringLiteral("system") : security.caFile}
            << Entry {QStringLiteral("check certificate hostname"), QStringLiteral("yes")};

    QByteArray text = '[' + kName.toUtf8() + "]\n";
    for (const Entry &entry : entries) {
        if (!fitsConfFile(entry)) {
            *failure = QStringLiteral("The FreeTDS driver cannot be given the %1 '%2' for its "
                                      "certificate check: its configuration file cannot hold it.")
                           .arg(entry.key, entry.value);
            return std::nullopt;
        }
        text += '\t' + entry.key.toUtf8() + " = " + entry.value.toUtf8() + '\n';
    }
    return text;
}

} // namespace tovik
