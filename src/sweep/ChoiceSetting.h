#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace tovik {

struct SweepChoice;

// One setting of a sweep's choice, described once: the key the explorer remembers it under, its
// default, and how it is written from and read into a choice. The default is held as the value
// is stored, so that a choice takes its defaults through the same reader as a remembered file.
struct ChoiceSetting
{
    QString key;
    QVariant defaultValue;
    std::function<QVariant(const SweepChoice &)> value;
    // A value that is missing or does not convert leaves the choice as it was.
    std::function<void(const QVariant &, SweepChoice &)> read;

    // Every setting, in the settings file's order. The password is not among them: it is never
    // remembered and has no default but an empty one.
    static const QList<ChoiceSetting> &all();
};

} // namespace tovik
