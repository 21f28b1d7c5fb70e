#include "explorer/ExplorerSettingsStore.h"
#include "explorer/ExplorerWindow.h"
#include "options/ExplorerCommandLine.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <cstdio>

namespace {

void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tovik"));
    QCoreApplication::setApplicationName(QStringLiteral("tovik-threshold-explorer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOVIK_VERSION));
}

// The arguments are read before any window exists, so that --help, --version and a refusal need
// no display.
tovik::ExplorerCommandLine::Result readArguments(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    const QSettings store;
    return tovik::ExplorerCommandLine::parse(
        QCoreApplication::arguments(), tovik::ExplorerSettingsStore::load(store));
}

} // namespace

int main(int argc, char *argv[])
{
    nameApplication();
    const auto parsed = readArguments(argc, argv);
    using Action = tovik::ExplorerCommandLine::Action;
    if (parsed.action != Action::Open) {
        const bool refused = parsed.action == Action::Refused;
        std::fputs(qPrintable(parsed.text + u'\n'), refused ? stderr : stdout);
        return refused ? 3 : 0;
    }
    if (!parsed.notice.isEmpty())
        std::fputs(qPrintable(parsed.notice + u'\n'), stderr);

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tovik Threshold Explorer"));
    // The settings name a server and a user: they are written readable by their owner only.
    tovik::ExplorerWindow window(QSettings().fileName());
    window.applySettings(parsed.settings);
    if (parsed.incidents)
        window.setIncidents(parsed.incidentsPath, *parsed.incidents);
    window.fitToScreen();
    window.show();
    if (parsed.runAtStart)
        QTimer::singleShot(0, &window, &tovik::ExplorerWindow::run);
    return QApplication::exec();
}
