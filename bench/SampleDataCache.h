#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tovik::bench {

// Sample data generated for the benchmark and kept between its runs, so that a month of samples
// is written once: one directory per set of `generate` arguments, sample server build and time
// zone, all of which change the rows. A directory is written under a temporary name and renamed
// into place only when complete, so that a run stopped halfway leaves nothing that looks whole.
class SampleDataCache
{
public:
    struct Entry
    {
        QString dir;
        // Found complete from an earlier run rather than written now.
        bool reused = false;
    };

    explicit SampleDataCache(QString root = defaultRoot());

    // $XDG_CACHE_HOME/tovik-bench when that is set, otherwise sample-data beside run_bench in its
    // build directory.
    static QString defaultRoot();

    // The directory that holds the data `tovik-sample-server generate` writes for arguments,
    // written first unless a complete one is kept; nothing, with *failure set, when it could not
    // be written.
    std::optional<Entry> data(const QStringList &arguments, QString *failure) const;
    // The same, telling on standard error where the data is and, when it was written now, how
    // long that took: a month of samples takes minutes and gigabytes.
    std::optional<QString> dataDir(const QStringList &arguments, QString *failure) const;

private:
    QString keyOf(const QStringList &arguments) const;
    // Temporary directories of runs that ended without finishing them.
    void removeAbandoned() const;

    QString m_root;
};

} // namespace tovik::bench
