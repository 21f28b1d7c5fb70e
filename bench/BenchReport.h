#pragma once

#include "BenchFigures.h"

#include <QList>

namespace tovik::bench {

// The printed figures: a block per size as soon as it is measured, then a table of all sizes
// with the targets they are held against.
class BenchReport
{
public:
    static void printHeader(int reports, const QList<int> &nodes, int repeat);
    static void printRoundTrip(const RoundTripFigures &figures);
    static void printSize(const SizeFigures &figures);
    static void printSummary(const QList<SizeFigures> &sizes, const RoundTripFigures &roundTrip);
};

} // namespace tovik::bench
