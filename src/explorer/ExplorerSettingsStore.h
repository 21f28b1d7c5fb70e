#pragma once

#include "sweep/SweepChoice.h"

#include <QSettings>
#include <optional>

namespace tovik {

// The explorer's settings from one start to the next. The password is never stored; the file
// names a server and a user, so it is readable by its owner only.
class ExplorerSettingsStore
{
public:
    // Values missing from the store keep their defaults.
    static SweepChoice load(const QSettings &store);
    static void save(QSettings &store, const SweepChoice &settings);
    // The tuning view's budget in alarms per day; nothing when the store has none.
    static std::optional<double> budget(const QSettings &store);
    // The window's arrangement of its panels, as QMainWindow::saveState gives it; nothing when
    // the store has none.
    static std::optional<QByteArray> windowState(const QSettings &store);

    // What the window keeps beside the settings.
    struct WindowMemory
    {
        double budget = 0.0;
        QByteArray state;
    };

    // Writes the settings, and what the window keeps when given, to the file at path through the
    // programs' one writer: private to its owner (its directory too, where it is made), replaced
    // whole, a link followed.
    static bool write(const QString &path, const SweepChoice &settings, QString *reason,
        const std::optional<WindowMemory> &window = std::nullopt);
};

} // namespace tovik
