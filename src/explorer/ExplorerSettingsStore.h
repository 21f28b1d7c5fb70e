#pragma once

#include "sweep/SweepChoice.h"

#include <QSettings>

namespace tovik {

// The explorer's settings from one start to the next. The password is never stored; the file
// names a server and a user, so it is readable by its owner only.
class ExplorerSettingsStore
{
public:
    // Values missing from the store keep their defaults.
    static SweepChoice load(const QSettings &store);
    static void save(QSettings &store, const SweepChoice &settings);
    // Writes the settings to the file at path through the programs' one writer: private to its
    // owner (its directory too, where it is made), replaced whole, a link followed.
    static bool write(const QString &path, const SweepChoice &settings, QString *reason);
};

} // namespace tovik
