#pragma once

#include <QString>
#include <limits>
#include <optional>

namespace tovik {

// The CPU-load alarm that a run tries and a sweep counts: monitoring hours, threshold and
// occurrences. Every program reads these values here, so each takes the same values and refuses
// the others with the same message.
struct AlarmSetting
{
    // The tester's defaults, which every program starts from.
    static constexpr qint16 kDefaultThreshold = 4;
    static constexpr qint16 kDefaultOccurrences = 1;
    static constexpr qint16 kDefaultMonStartHour = 6;
    static constexpr qint16 kDefaultMonStopHour = 23;

    // Threshold and occurrences take any signed 16-bit value, as the tester's boxes do.
    static constexpr qint16 kLowestValue = std::numeric_limits<qint16>::min();
    static constexpr qint16 kHighestValue = std::numeric_limits<qint16>::max();
    // An hour is monitored when its hour of day h satisfies start <= h < stop.
    static constexpr qint16 kFirstStartHour = 0;
    static constexpr qint16 kLastStartHour = 23;
    static constexpr qint16 kFirstStopHour = 1;
    static constexpr qint16 kLastStopHour = 24;

    qint16 monStartHour = kDefaultMonStartHour;
    qint16 monStopHour = kDefaultMonStopHour;
    qint16 threshold = kDefaultThreshold;
    qint16 occurrences = kDefaultOccurrences;

    // The setting as the tester's controls show it: the hours as their "HH:00" list entries,
    // threshold and occurrences as typed.
    struct ShownTexts
    {
        QString monStart;
        QString monStop;
        QString threshold;
        QString occurrences;
    };

    // Reads the four texts in their order; the first that fails to convert stops the reading and
    // its description goes to *failure.
    static std::optional<AlarmSetting> fromShownTexts(const ShownTexts &texts, QString *failure);
    // The names the tester's messages give the threshold and the occurrences.
    static inline const QString kThresholdField = QStringLiteral("Avg .CPU Load");
    static inline const QString kOccurrencesField = QStringLiteral("Occurrences");

    // A typed threshold or number of occurrences; nothing, with the reason, for any other text.
    // The reason starts with fieldName, so that a command line can name its option instead.
    static std::optional<qint16> readThreshold(
        const QString &text, QString *failure, const QString &fieldName = kThresholdField);
    static std::optional<qint16> readOccurrences(
        const QString &text, QString *failure, const QString &fieldName = kOccurrencesField);

    // Whether start <= h < stop holds for any hour: a monitoring time does not wrap past
    // midnight, so a start at or after the stop monitors nothing.
    static constexpr bool monitorsSomeHour(int start, int stop) { return start < stop; }
    // Why the programs other than the tester refuse such a monitoring time, in their words alike.
    static QString noMonitoredHourText(int start, int stop);

    bool operator==(const AlarmSetting &) const = default;
};

} // namespace tovik
