#pragma once

#include <QCoreApplication>
#include <memory>

namespace tovik {

// The application object of tovik-cpu-check: a QGuiApplication for a sweep that writes a report,
// whose pictures and pages need QtGui's fonts and painting, else a QCoreApplication, so that no
// other command loads a platform plugin. The report's platform is offscreen unless
// QT_QPA_PLATFORM names another: a file needs no screen, and a display that is set but cannot be
// reached (an ssh session's) would end the check before it starts.
std::unique_ptr<QCoreApplication> makeCheckApplication(int &argc, char **argv);

} // namespace tovik
