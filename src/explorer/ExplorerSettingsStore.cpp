#include "explorer/ExplorerSettingsStore.h"

#include "output/PrivateFile.h"
#include "sweep/ChoiceSetting.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tovik {

namespace {

namespace Key {
const QString budget = QStringLiteral("tuning/budget");
const QString windowState = QStringLiteral("window/state");
} // namespace Key

} // namespace

SweepChoice ExplorerSettingsStore::load(const QSettings &store)
{
    SweepChoice choice;
    for (const ChoiceSetting &setting : ChoiceSetting::all())
        setting.read(store.value(setting.key), choice);
    return choice;
}

void ExplorerSettingsStore::save(QSettings &store, const SweepChoice &choice)
{
    for (const ChoiceSetting &setting : ChoiceSetting::all())
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
