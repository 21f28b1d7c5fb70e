#include "explorer/ExplorerSettingsStore.h"

#include "options/ConnectionCommandLine.h"
#include "output/PrivateFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tovik {

namespace {

namespace Key {
const QString auth = QStringLiteral("connection/auth");
const QString server = QStringLiteral("connection/server");
const QString port = QStringLiteral("connection/port");
const QString database = QStringLiteral("connection/database");
const QString user = QStringLiteral("connection/user");
const QString loginTimeout = QStringLiteral("connection/loginTimeout");
const QString encrypt = QStringLiteral("connection/encrypt");
const QString trustServerCertificate = QStringLiteral("connection/trustServerCertificate");
const QString caFile = QStringLiteral("connection/caFile");
const QString hostNameInCertificate = QStringLiteral("connection/hostNameInCertificate");
const QString lastHours = QStringLiteral("range/lastHours");
const QString fixedRange = QStringLiteral("range/fixed");
const QString from = QStringLiteral("range/from");
const QString to = QStringLiteral("range/to");
const QString monStart = QStringLiteral("alarm/monitoringStart");
const QString monStop = QStringLiteral("alarm/monitoringStop");
const QString threshold = QStringLiteral("alarm/threshold");
const QString occurrences = QStringLiteral("alarm/occurrences");
const QString budget = QStringLiteral("tuning/budget");
const QString windowState = QStringLiteral("window/state");
} // namespace Key

template<class T>
void readInto(const QSettings &store, const QString &key, T *value)
{
    const QVariant stored = store.value(key);
    if (stored.isValid() && stored.canConvert<T>())
        *value = stored.value<T>();
}

} // namespace

SweepChoice ExplorerSettingsStore::load(const QSettings &store)
{
    SweepChoice settings;
    ConnectionFields &fields = settings.connection.fields;
    QString auth = ConnectionCommandLine::authArgument(fields.SqlConnType);
    readInto(store, Key::auth, &auth);
    fields.SqlConnType = ConnectionCommandLine::connType(auth).value_or(fields.SqlConnType);
    readInto(store, Key::server, &fields.SqlDbServer);
    readInto(store, Key::port, &fields.SqlDbPort);
    readInto(store, Key::database, &fields.SqlDatabase);
    readInto(store, Key::user, &fields.SqlDbUser);
    readInto(store, Key::loginTimeout, &settings.connection.loginTimeoutSeconds);
    ConnectionSecurity &security = settings.connection.security;
    QString encrypt = ConnectionSecurity::wordOf(security.encryption);
    readInto(store, Key::encrypt, &encrypt);
    security.encryption = ConnectionSecurity::modeOf(encrypt).value_or(security.encryption);
    readInto(store, Key::trustServerCertificate, &security.trustServerCertificate);
    readInto(store, Key::caFile, &security.caFile);
    readInto(store, Key::hostNameInCertificate, &security.hostNameInCertificate);
    readInto(store, Key::lastHours, &settings.lastHours);
    readInto(store, Key::fixedRange, &settings.fixedRange);
    readInto(store, Key::from, &settings.from);
    readInto(store, Key::to, &settings.to);
    readInto(store, Key::monStart, &settings.monStartHour);
    readInto(store, Key::monStop, &settings.monStopHour);
    readInto(store, Key::threshold, &settings.threshold);
    readInto(store, Key::occurrences, &settings.occurrences);
    return settings;
}

void ExplorerSettingsStore::save(QSettings &store, const SweepChoice &settings)
{
    const ConnectionFields &fields = settings.connection.fields;
    store.setValue(Key::auth, ConnectionCommandLine::authArgument(fields.SqlConnType));
    store.setValue(Key::server, fields.SqlDbServer);
    store.setValue(Key::port, fields.SqlDbPort);
    store.setValue(Key::database, fields.SqlDatabase);
    store.setValue(Key::user, fields.SqlDbUser);
    store.setValue(Key::loginTimeout, settings.connection.loginTimeoutSeconds);
    const ConnectionSecurity &security = settings.connection.security;
    store.setValue(Key::encrypt, ConnectionSecurity::wordOf(security.encryption));
    store.setValue(Key::trustServerCertificate, security.trustServerCertificate);
    store.setValue(Key::caFile, security.caFile);
    store.setValue(Key::hostNameInCertificate, security.hostNameInCertificate);
    store.setValue(Key::lastHours, settings.lastHours);
    store.setValue(Key::fixedRange, settings.fixedRange);
    store.setValue(Key::from, settings.from);
    store.setValue(Key::to, settings.to);
    store.setValue(Key::monStart, settings.monStartHour);
    store.setValue(Key::monStop, settings.monStopHour);
    store.setValue(Key::threshold, settings.threshold);
    store.setValue(Key::occurrences, settings.occurrences);
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
