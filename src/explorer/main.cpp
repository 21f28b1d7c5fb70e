#include "explorer/ExplorerCommandLine.h"
#include "explorer/ExplorerSettingsStore.h"
#include "explorer/ExplorerWindow.h"
#include "output/PrivateFile.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tovik"));
    QApplication::setApplicationName(QStringLiteral("tovik-threshold-explorer"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tovik Threshold Explorer"));
    QApplication::setApplicationVersion(QStringLiteral(TOVIK_VERSION));

    QSettings store;
    // The settings name a server and a user: readable by their owner only. Without that the
    // explorer still works, as the tester does without its run log's mode.
    QString reason;
    tovik::makePrivateFile(store.fileName(), &reason);
    const auto parsed = tovik::ExplorerCommandLine::parse(
        QApplication::arguments(), tovik::ExplorerSettingsStore::load(store));
    using Action = tovik::ExplorerCommandLine::Action;
    if (parsed.action != Action::Open) {
        const bool refused = parsed.action == Action::Refused;
        std::fputs(qPrintable(parsed.text + u'\n'), refused ? stderr : stdout);
        return refused ? 3 : 0;
    }
    tovik::ExplorerWindow window(&store);
    window.applySettings(parsed.settings);
    window.resize(window.sizeHint().expandedTo(QSize(1200, 800)));
    window.show();
    if (parsed.runAtStart)
        QTimer::singleShot(0, &window, &tovik::ExplorerWindow::run);
    return QApplication::exec();
}
