#include "sweep/ChoiceSetting.h"

#include "db/ConnectionDefaults.h"
#include "monitoring/AlarmSetting.h"
#include "sweep/SweepChoice.h"

namespace tovik {

namespace {

template<class T>
void readInto(const QVariant &stored, T *value)
{
    if (stored.isValid() && stored.canConvert<T>())
        *value = stored.value<T>();
}

// A setting stored as it is held; field gives it of a choice, const or not.
template<class T, class Field>
ChoiceSetting plain(const char *key, const QVariant &defaultValue, Field field)
{
    return {QLatin1String(key), defaultValue,
        [field](const SweepChoice &c) { return QVariant(field(c)); },
        [field](const QVariant &stored, SweepChoice &c) { readInto<T>(stored, &field(c)); }};
}

// A setting stored as a word: written by wordOf, read back by valueOf; a word that names no
// value leaves the choice as it was.
template<class T, class Field, class WordOf, class ValueOf>
ChoiceSetting word(
    const char *key, const QVariant &defaultValue, Field field, WordOf wordOf, ValueOf valueOf)
{
    return {QLatin1String(key), defaultValue,
        [field, wordOf](const SweepChoice &c) { return QVariant(wordOf(field(c))); },
        [field, wordOf, valueOf](const QVariant &stored, SweepChoice &c) {
            T &value = field(c);
            QString text = wordOf(value);
            readInto(stored, &text);
            value = valueOf(text).value_or(value);
        }};
}

constexpr int kDefaultLastHours = 48;

QList<ChoiceSetting> describeSettings()
{
    // The tester's window's connection and protection, which every program starts from.
    const ConnectionSecurity testers;
    return {
        word<QString>(
            "connection/auth", ConnectionDefaults::authWords().first(),
            [](auto &c) -> auto & { return c.connection.fields.SqlConnType; },
            ConnectionDefaults::authWordOf, ConnectionDefaults::authOfWord),
        plain<QString>(
            "connection/server", ConnectionDefaults::server(),
            [](auto &c) -> auto & { return c.connection.fields.SqlDbServer; }),
        plain<QString>(
            "connection/port", ConnectionDefaults::port,
            [](auto &c) -> auto & { return c.connection.fields.SqlDbPort; }),
        plain<QString>(
            "connection/database", ConnectionDefaults::database,
            [](auto &c) -> auto & { return c.connection.fields.SqlDatabase; }),
        plain<QString>(
            "connection/user", ConnectionDefaults::user,
            [](auto &c) -> auto & { return c.connection.fields.SqlDbUser; }),
        plain<int>(
            "connection/loginTimeout", ConnectionTimeouts::kDefaultLoginSeconds,
            [](auto &c) -> auto & { return c.connection.loginTimeoutSeconds; }),
        word<EncryptionMode>(
            "connection/encrypt", ConnectionSecurity::wordOf(testers.encryption),
            [](auto &c) -> auto & { return c.connection.security.encryption; },
            ConnectionSecurity::wordOf, ConnectionSecurity::modeOf),
        plain<bool>(
            "connection/trustServerCertificate", testers.trustServerCertificate,
            [](auto &c) -> auto & { return c.connection.security.trustServerCertificate; }),
        plain<QString>(
            "connection/caFile", testers.caFile,
            [](auto &c) -> auto & { return c.connection.security.caFile; }),
        plain<QString>(
            "connection/hostNameInCertificate", testers.hostNameInCertificate,
            [](auto &c) -> auto & { return c.connection.security.hostNameInCertificate; }),
        plain<int>(
            "range/lastHours", kDefaultLastHours, [](auto &c) -> auto & { return c.lastHours; }),
        plain<bool>(
            "range/fixed", false, [](auto &c) -> auto & { return c.fixedRange; }),
        plain<QString>(
            "range/from", QString(), [](auto &c) -> auto & { return c.from; }),
        plain<QString>(
            "range/to", QString(), [](auto &c) -> auto & { return c.to; }),
        // The tester's alarm setting.
        plain<qint16>(
            "alarm/monitoringStart", AlarmSetting::kDefaultMonStartHour,
            [](auto &c) -> auto & { return c.monStartHour; }),
        plain<qint16>(
            "alarm/monitoringStop", AlarmSetting::kDefaultMonStopHour,
            [](auto &c) -> auto & { return c.monStopHour; }),
        plain<qint16>(
            "alarm/threshold", AlarmSetting::kDefaultThreshold,
            [](auto &c) -> auto & { return c.threshold; }),
        plain<qint16>(
            "alarm/occurrences", AlarmSetting::kDefaultOccurrences,
            [](auto &c) -> auto & { return c.occurrences; }),
    };
}

} // namespace

const QList<ChoiceSetting> &ChoiceSetting::all()
{
    static const QList<ChoiceSetting> settings = describeSettings();
    return settings;
}

} // namespace tovik
