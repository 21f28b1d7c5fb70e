#pragma once

#include "explorer/ExplorerWindow.h"

#include <QSignalSpy>
#include <QTest>

namespace tovik::test {

// Runs the window's sweep and waits for its result; false when it failed or never came.
inline bool runToResult(ExplorerWindow &window)
{
    QSignalSpy shown(&window, &ExplorerWindow::resultShown);
    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    window.run();
    return QTest::qWaitFor([&] { return !shown.isEmpty() || !failed.isEmpty(); }, 60000)
        && !shown.isEmpty();
}

} // namespace tovik::test
