#pragma once

#include "explorer/SweepRunner.h"

#include <QMutex>

namespace tovik {

class SweepEngine;

// Sweeps the database, each sweep with an engine, and so connections, of its own.
class EngineSweepRunner : public SweepRunner
{
public:
    std::optional<LadderResult> run(
        const SweepSettings &settings, const Progress &progress, QString *failure) override;
    void cancel() override;

private:
    QMutex m_mutex;
    SweepEngine *m_engine = nullptr;
};

} // namespace tovik
