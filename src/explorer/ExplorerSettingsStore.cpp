#include "explorer/ExplorerSettingsStore.h"

#include "options/ConnectionCommandLine.h"
#include "output/PrivateFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

namespace tovik {

namespace {

namespace Key {
const QString budget = QStringLiteral("tuning/budget");
const QString windowState = QStringLiteral("window/state");
} // namespace Key

// One remembered setting: its key, and how it is written from and read into a choice. A value
// missing from the store, or one that does not convert, leaves the choice's default.
struct StoredSetting
{
    QString key;
    std::function<QVariant(const SweepChoice &)> value;
    std::function<void(const QVariant &, SweepChoice &)> read;
};

template<class T>
void readInto(const QVariant &stored, T *value)
{
    if (stored.isValid() && stored.canConvert<T>())
        *value = stored.value<T>();
}

// A setting held as a member of the choice, stored as it is.
template<class T>
StoredSetting plain(const char *key, T SweepChoice::*member)
{
    return {QLatin1String(key), [member](const SweepChoice &c) { return QVariant(c.*member); },
        [member](const QVariant &stored, SweepChoice &c) { readInto(stored, &(c.*member)); }};
}

template<class T>
StoredSetting connection(const char *key, T ConnectionChoice::*member)
{
    return {QLatin1String(key),
        [member](const SweepChoice &c) { return QVariant(c.connection.*member); },
        [member](
            const QVariant &stored, SweepChoice &c) { readInto(stored, &(c.connection.*member)); }};
}

template<class T>
StoredSetting field(const char *key, T ConnectionFields::*member)
{
    return {QLatin1String(key),
        [member](const SweepChoice &c) { return QVariant(c.connection.fields.*member); },
        [member](const QVariant &stored, SweepChoice &c) {
            readInto(stored, &(c.connection.fields.*member));
        }};
}

template<class T>
StoredSetting security(const char *key, T ConnectionSecurity::*member)
{
    return {QLatin1String(key),
        [member](const SweepChoice &c) { return QVariant(c.connection.security.*member); },
        [member](const QVariant &stored, SweepChoice &c) {
            readInto(stored, &(c.connection.security.*member));
        }};
}

// Every remembered setting, in the file's order. The password is not among them.
const QList<StoredSetting> &storedSettings()
{
    static const QList<StoredSetting> settings {
        {QStringLiteral("connection/auth"),
            [](const SweepChoice &c) {
                return QVariant(
                    ConnectionCommandLine::authArgument(c.connection.fields.SqlConnType));
            },
            [](const QVariant &stored, SweepChoice &c) {
                QString &type = c.connection.fields.SqlConnType;
                QString word = ConnectionCommandLine::authArgument(type);
                readInto(stored, &word);
                type = ConnectionCommandLine::connType(word).value_or(type);
            }},
        field("connection/server", &ConnectionFields::SqlDbServer),
        field("connection/port", &ConnectionFields::SqlDbPort),
        field("connection/database", &ConnectionFields::SqlDatabase),
        field("connection/user", &ConnectionFields::SqlDbUser),
        connection("connection/loginTimeout", &ConnectionChoice::loginTimeoutSeconds),
        {QStringLiteral("connection/encrypt"),
            [](const SweepChoice &c) {
                return QVariant(ConnectionSecurity::wordOf(c.connection.security.encryption));
            },
            [](const QVariant &stored, SweepChoice &c) {
                EncryptionMode &mode = c.connection.security.encryption;
                QString word = ConnectionSecurity::wordOf(mode);
                readInto(stored, &word);
                mode = ConnectionSecurity::modeOf(word).value_or(mode);
            }},
        security("connection/trustServerCertificate", &ConnectionSecurity::trustServerCertificate),
        security("connection/caFile", &ConnectionSecurity::caFile),
        security("connection/hostNameInCertificate", &ConnectionSecurity::hostNameInCertificate),
        plain("range/lastHours", &SweepChoice::lastHours),
        plain("range/fixed", &SweepChoice::fixedRange),
        plain("range/from", &SweepChoice::from),
        plain("range/to", &SweepChoice::to),
        plain("alarm/monitoringStart", &SweepChoice::monStartHour),
        plain("alarm/monitoringStop", &SweepChoice::monStopHour),
        plain("alarm/threshold", &SweepChoice::threshold),
        plain("alarm/occurrences", &SweepChoice::occurrences),
    };
    return settings;
}

} // namespace

SweepChoice ExplorerSettingsStore::load(const QSettings &store)
{
    SweepChoice choice;
    for (const StoredSetting &setting : storedSettings())
        setting.read(store.value(setting.key), choice);
    return choice;
}

void ExplorerSettingsStore::save(QSettings &store, const SweepChoice &choice)
{
    for (const StoredSetting &setting : storedSettings())
        store.setValue(setting.key, setting.value(choice));
}

std::optional<double> ExplorerSettingsStore::budget(const QSettings &store)
{
    bool ok = false;
    const double value = store.value(Key::budget).toDouble(&ok);
    return ok && value >= 0.0 ? std::optional<double>(value) : std::nullopt;
}

std::optional<QByteArray> ExplorerSettingsStore::windowState(const QSettings &store)
{
    const QVariant stored = store.value(Key::windowState);
    return stored.canConvert<QByteArray>() && !stored.toByteArray().isEmpty()
        ? std::optional<QByteArray>(stored.toByteArray())
        : std::nullopt;
}

// QSettings replaces its file by renaming a new one over it, which would turn a device or pipe at
// path into a regular file: it only drafts the text here, in a directory of the user's own.
bool ExplorerSettingsStore::write(const QString &path, const SweepChoice &settings, QString *reason,
    const std::optional<WindowMemory> &window)
{
    const QTemporaryDir scratch;
    const QString draft = scratch.filePath(QStringLiteral("settings.conf"));
    {
        QSettings store(draft, QSettings::IniFormat);
        save(store, settings);
        if (window) {
            store.setValue(Key::budget, window->budget);
            store.setValue(Key::windowState, window->state);
        }
        store.sync();
        if (!scratch.isValid() || store.status() != QSettings::NoError) {
            *reason = QStringLiteral("the settings could not be drafted");
            return false;
        }
    }
    QFile drafted(draft);
    if (!drafted.open(QIODevice::ReadOnly)) {
        *reason = drafted.errorString();
        return false;
    }
    const QByteArray text = drafted.readAll();
    return makePrivateDirectory(QFileInfo(path).absolutePath(), reason)
        && writePrivateFile(path, {text}, reason);
}

} // namespace tovik
