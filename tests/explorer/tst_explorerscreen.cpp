#include "ExplorerRun.h"
#include "MonitoringFixture.h"
#include "SampleData.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/HeatmapView.h"
#include "explorer/TuningView.h"
#include "explorer/models/DeviceTableModel.h"
#include "sweep/ThresholdLadder.h"

#include <QAbstractButton>
#include <QAction>
#include <QChartView>
#include <QDockWidget>
#include <QFormLayout>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QSize kOpeningSize(1280, 800);

QScreen *screenNamed(const QString &name)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    const auto found = std::find_if(screens.cbegin(), screens.cend(),
        [&name](const QScreen *screen) { return screen->name() == name; });
    return found == screens.cend() ? nullptr : *found;
}

// The window fitted to the named screen and shown there; nullptr when that screen is missing.
std::unique_ptr<ExplorerWindow> openOn(const QString &screenName)
{
    QScreen *screen = screenNamed(screenName);
    if (!screen)
        return nullptr;
    auto window = std::make_unique<ExplorerWindow>();
    window->setScreen(screen);
    window->fitToScreen();
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? std::move(window) : nullptr;
}

// The part of widget that its parents, up to the window, leave in sight; in its own coordinates.
QRect unclipped(const QWidget *widget)
{
    QRect shown = widget->rect();
    for (const QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        shown &= QRect(widget->mapFrom(parent, QPoint(0, 0)), parent->size());
        if (parent->isWindow())
            break;
    }
    return shown;
}

bool wholeInSight(const QWidget *widget)
{
    return widget->isVisible() && unclipped(widget) == widget->rect();
}

QString whereIs(const QWidget &window, const QWidget *widget)
{
    const QRect inWindow(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    const QRect shown = unclipped(widget);
    return QStringLiteral("%1 at %2,%3 %4x%5 in a window of %6x%7, showing %8,%9 %10x%11")
        .arg(widget->objectName())
        .arg(inWindow.x())
        .arg(inWindow.y())
        .arg(inWindow.width())
        .arg(inWindow.height())
        .arg(window.width())
        .arg(window.height())
        .arg(shown.x())
        .arg(shown.y())
        .arg(shown.width())
        .arg(shown.height());
}

// What is wrong with a caption as plain words, or nothing: no control name, no capital inside
// the text but an abbreviation's, no space before a full stop.
QString plainWordsFault(const QString &caption)
{
    static const QRegularExpression controlName(QStringLiteral("\\b[a-z]+[A-Z]"));
    static const QRegularExpression trimmed(QStringLiteral("^[^\\w]+|[^\\w]+$"));
    QString text = caption;
    text.remove(u'&');
    if (text.contains(controlName))
        return QStringLiteral("a control's name");
    if (text.contains(QLatin1String(" .")))
        return QStringLiteral("a space before a full stop");
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString word = QString(words.at(i)).remove(trimmed);
        if (!word.isEmpty() && word.front().isUpper() && word != word.toUpper())
            return QStringLiteral("the capital of \"%1\"").arg(word);
    }
    return {};
}

// The window's own captions: labels, buttons, group boxes, tabs, menus and table headers. The
// status and comparison lines and the rich-text legends are sentences that change.
QStringList captions(const ExplorerWindow &window)
{
    QStringList texts;
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->objectName().isEmpty() && label->textFormat() != Qt::RichText)
            texts << label->text();
    }
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QGroupBox *box : window.findChildren<QGroupBox *>())
        texts << box->title();
    for (const QTabWidget *tabs : window.findChildren<QTabWidget *>()) {
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    }
    for (const QAction *action : window.findChildren<QAction *>()) {
        if (!action->objectName().startsWith(QLatin1String("_q_")))
            texts << action->text();
    }
    const QAbstractItemModel *devices = window.findChild<QTableView *>("devices")->model();
    for (int c = 0; c < devices->columnCount(); ++c)
        texts << devices->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    texts.removeAll(QString());
    return texts;
}

// Whether header's view shows the whole width or height of its section.
bool sectionInSight(const QHeaderView *header, int section)
{
    const int room = header->orientation() == Qt::Horizontal ? header->viewport()->width()
                                                             : header->viewport()->height();
    const int position = header->sectionViewportPosition(section);
    return position >= 0 && position + header->sectionSize(section) <= room;
}

// The sections of header whose whole width or height its view shows.
int wholeSectionsInSight(const QHeaderView *header)
{
    int count = 0;
    for (int i = 0; i < header->count(); ++i)
        count += sectionInSight(header, i) ? 1 : 0;
    return count;
}

// What the device table's column shows of its widest text, and its width; a text wider than its
// column is elided.
QString columnFit(const QTableView &table, int column)
{
    QModelIndex widest;
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        const QModelIndex index = table.model()->index(row, column);
        if (!widest.isValid()
            || table.sizeHintForIndex(index).width() > table.sizeHintForIndex(widest).width())
            widest = index;
    }
    return QStringLiteral("'%1' needs %2 of %3 pixels")
        .arg(widest.data().toString())
        .arg(table.sizeHintForIndex(widest).width())
        .arg(table.columnWidth(column));
}

bool showsWidestWhole(const QTableView &table, int column)
{
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        if (table.sizeHintForIndex(table.model()->index(row, column)).width()
            > table.columnWidth(column))
            return false;
    }
    return true;
}

// The texts of a chart's axes, legend and title that Qt Charts shortened for want of room, and
// the legend's labels it does not show at all.
QStringList elidedChartTexts(const QChartView *chart)
{
    QStringList shown;
    for (const QGraphicsItem *item : chart->scene()->items()) {
        if (!item->isVisible())
            continue;
        if (const auto *rich = dynamic_cast<const QGraphicsTextItem *>(item))
            shown << rich->toPlainText();
        else if (const auto *simple = dynamic_cast<const QGraphicsSimpleTextItem *>(item))
            shown << simple->text();
    }
    QStringList elided;
    for (const QString &text : std::as_const(shown)) {
        if (text.contains(QLatin1String("...")) || text.contains(u'\u2026'))
            elided << text;
    }
    for (const QLegendMarker *marker : chart->chart()->legend()->markers()) {
        if (marker->isVisible() && !shown.contains(marker->label()))
            elided << QStringLiteral("legend without \"%1\"").arg(marker->label());
    }
    return elided;
}

// The demo's data: 48 hours up to now of its three reports, served on a free port.
bool serveDemoData(MonitoringFixture &fixture)
{
    const QString end
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return generateSampleData(
               fixture.dataDir(), {"--hours", "48", "--end", end, "--demo-marks"}, &fixture.error)
        && fixture.startServer();
}

// The demo's first sweep: the last 48 hours at 75 % and 3 occurrences.
SweepChoice demoChoice(MonitoringFixture &fixture)
{
    SweepChoice choice;
    choice.connection.fields = fixture.host.connectionFields();
    choice.lastHours = 48;
    choice.threshold = 75;
    choice.occurrences = 3;
    return choice;
}

} // namespace

class tst_ExplorerScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensWithinScreen_data();
    void opensWithinScreen();
    void controlsReachable_data();
    void controlsReachable();
    void demoResultFits_data();
    void demoResultFits();
    void plainWordsChecked_data();
    void plainWordsChecked();
    void captionsArePlainWords();
};

void tst_ExplorerScreen::initTestCase()
{
    QVERIFY2(screenNamed("small") && screenNamed("large") && screenNamed("laptop"),
        "the offscreen platform lacks the screens of offscreen-screens.json");
    QCOMPARE(screenNamed("small")->availableGeometry(), QRect(0, 0, 1024, 768));
}

void tst_ExplorerScreen::opensWithinScreen_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("roomForAll");

    QTest::newRow("1024x768") << "small" << false;
    QTest::newRow("1920x1080") << "large" << true;
}

void tst_ExplorerScreen::opensWithinScreen()
{
    QFETCH(QString, screen);
    QFETCH(bool, roomForAll);

    const auto window = openOn(screen);
    QVERIFY(window);
    const QRect available = screenNamed(screen)->availableGeometry();
    QVERIFY2(available.contains(window->frameGeometry()),
        qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                       .arg(window->frameGeometry().x())
                       .arg(window->frameGeometry().y())
                       .arg(window->frameGeometry().width())
                       .arg(window->frameGeometry().height())));
    if (roomForAll) {
        QCOMPARE(window->size(), kOpeningSize);
        QVERIFY((window->geometry().center() - available.center()).manhattanLength() < 50);
    } else {
        // Most of the screen, not some small default.
        QVERIFY2(window->width() >= available.width() * 9 / 10
                && window->height() >= available.height() * 8 / 10,
            qPrintable(QStringLiteral("%1x%2").arg(window->width()).arg(window->height())));
    }
}

void tst_ExplorerScreen::controlsReachable_data()
{
    QTest::addColumn<bool>("lowest");

    QTest::newRow("opened on 1024x768") << false;
    // Lower than the settings: they scroll.
    QTest::newRow("at the window's least height") << true;
}

// The buttons, the progress, the status and the views show whole; every setting shows once its
// column is scrolled to it.
void tst_ExplorerScreen::controlsReachable()
{
    QFETCH(bool, lowest);

    const auto window = openOn("small");
    QVERIFY(window);
    if (lowest) {
        window->resize(window->width(), window->minimumSizeHint().height());
        QTRY_COMPARE(window->height(), window->minimumSizeHint().height());
    }
    for (const char *name : {"run", "cancel", "progress", "status", "heatmap"}) {
        const auto *widget = window->findChild<QWidget *>(name);
        QVERIFY2(widget, name);
        QVERIFY2(wholeInSight(widget), qPrintable(whereIs(*window, widget)));
    }
    // The device panel stacks with the settings on this screen: one of them at a time.
    window->findChild<QDockWidget *>("devicesPanel")->raise();
    for (const char *name : {"devices", "deviceViews"}) {
        const auto *widget = window->findChild<QWidget *>(name);
        QTRY_VERIFY2(wholeInSight(widget), qPrintable(whereIs(*window, widget)));
    }
    window->findChild<QDockWidget *>("settingsPanel")->raise();
    auto *scroll = window->findChild<QScrollArea *>("settingsScroll");
    QVERIFY(scroll);
    if (lowest)
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
    const QList<QWidget *> settings = scroll->widget()->findChildren<QWidget *>();
    const QStringList expected {"auth", "server", "port", "database", "loginTimeout", "user",
        "password", "encryption", "trustServerCertificate", "caFile", "hostNameInCertificate",
        "rangeLast", "lastHours", "rangeFixed", "from", "to", "monitoringStart", "monitoringStop",
        "threshold", "occurrences"};
    for (const QString &name : expected) {
        const auto found = std::find_if(settings.cbegin(), settings.cend(),
            [&name](const QWidget *widget) { return widget->objectName() == name; });
        QVERIFY2(found != settings.cend(), qPrintable(name + " is not among the settings"));
        scroll->ensureWidgetVisible(*found);
        QVERIFY2(wholeInSight(*found), qPrintable(whereIs(*window, *found)));
    }
}

void tst_ExplorerScreen::demoResultFits_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("hourColumns");
    QTest::addColumn<int>("deviceRows");
    QTest::addColumn<bool>("everyThreshold");
    QTest::addColumn<int>("occurrencesColumns");
    QTest::addColumn<bool>("chartsWhole");

    QTest::addColumn<Qt::Orientation>("devicePanel");

    // The device panel shares the settings' column, its table above its charts.
    QTest::newRow("1024x768") << "small" << 12 << 15 << true << 8 << false << Qt::Vertical;
    // The device panel below the views, its table beside its charts.
    QTest::newRow("1280x800") << "laptop" << 24 << 15 << false << 12 << true << Qt::Horizontal;
}

// The demo's result in the panels' default places: the hours and devices of the heatmap, the
// tuning table's every threshold and its occurrences, Run and the status line; on the laptop's
// screen the charts' axes and legends unshortened.
void tst_ExplorerScreen::demoResultFits()
{
    QFETCH(QString, screen);
    QFETCH(int, hourColumns);
    QFETCH(int, deviceRows);
    QFETCH(bool, everyThreshold);
    QFETCH(int, occurrencesColumns);
    QFETCH(bool, chartsWhole);
    QFETCH(Qt::Orientation, devicePanel);

    MonitoringFixture fixture;
    QVERIFY2(serveDemoData(fixture), qPrintable(fixture.error));
    const auto window = openOn(screen);
    QVERIFY(window);
    window->applySettings(demoChoice(fixture));
    QVERIFY2(runToResult(*window), qPrintable(window->statusText()));
    QVERIFY(window->shownGrid()->hourCount() >= 48);
    QVERIFY(window->shownGrid()->deviceCount() >= deviceRows);
    QCOMPARE(window->findChild<QSplitter *>("devicePanel")->orientation(), devicePanel);

    const auto *heatmap = window->findChild<HeatmapView *>();
    QTRY_VERIFY2(wholeSectionsInSight(heatmap->horizontalHeader()) >= hourColumns,
        qPrintable(QString::number(wholeSectionsInSight(heatmap->horizontalHeader())) + " hours in "
            + whereIs(*window, heatmap->viewport())));
    QVERIFY2(wholeSectionsInSight(heatmap->verticalHeader()) >= deviceRows,
        qPrintable(QString::number(wholeSectionsInSight(heatmap->verticalHeader())) + " devices in "
            + whereIs(*window, heatmap->viewport())));
    for (const char *name : {"run", "status"}) {
        const auto *widget = window->findChild<QWidget *>(name);
        QVERIFY2(wholeInSight(widget), qPrintable(whereIs(*window, widget)));
    }

    // Every device's name reads whole in the table's sight, its report whole once scrolled to.
    window->findChild<QDockWidget *>("devicesPanel")->raise();
    const auto *devices = window->findChild<QTableView *>("devices");
    QTRY_VERIFY(devices->isVisible());
    QVERIFY(devices->model()->rowCount() >= deviceRows);
    for (const int column : {DeviceTableModel::Name, DeviceTableModel::Report})
        QVERIFY2(showsWidestWhole(*devices, column), qPrintable(columnFit(*devices, column)));
    QTRY_VERIFY2(sectionInSight(devices->horizontalHeader(), DeviceTableModel::Name),
        qPrintable(columnFit(*devices, DeviceTableModel::Name) + " in "
            + whereIs(*window, devices->viewport())));

    window->findChild<QTabWidget *>("views")->setCurrentIndex(1);
    const auto *tuning = window->findChild<TuningView *>();
    QTRY_VERIFY(tuning->isVisible());
    QCOMPARE(tuning->model()->rowCount(), int(ThresholdLadder::standard().size()));
    QVERIFY2(!everyThreshold
            || wholeSectionsInSight(tuning->verticalHeader()) == tuning->model()->rowCount(),
        qPrintable(QString::number(wholeSectionsInSight(tuning->verticalHeader()))
            + " thresholds in " + whereIs(*window, tuning->viewport())));
    QVERIFY2(wholeSectionsInSight(tuning->horizontalHeader()) >= occurrencesColumns,
        qPrintable(QString::number(wholeSectionsInSight(tuning->horizontalHeader()))
            + " occurrences in " + whereIs(*window, tuning->viewport())));
    if (!chartsWhole)
        return;

    // The heatmap's first device, its load drawn.
    QSignalSpy loadShown(window.get(), &ExplorerWindow::deviceLoadShown);
    window->findChild<QTableView *>("devices")->selectRow(0);
    QVERIFY(loadShown.wait(30000));
    const auto *load = window->findChild<QChartView *>("deviceLoadChart");
    QVERIFY2(load->isVisible(), qPrintable(whereIs(*window, load)));
    QTRY_VERIFY2(elidedChartTexts(load).isEmpty(), qPrintable(elidedChartTexts(load).join(" | ")));
    const auto *caught = window->findChild<QChartView *>("caughtChart");
    QTRY_VERIFY2(caught->isVisible(), qPrintable(whereIs(*window, caught)));
    QTRY_VERIFY2(
        elidedChartTexts(caught).isEmpty(), qPrintable(elidedChartTexts(caught).join(" | ")));
}

void tst_ExplorerScreen::plainWordsChecked_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fault");

    QTest::newRow("plain") << "Avg. CPU load &threshold:"
                           << "";
    QTest::newRow("abbreviations") << "Export chart as &SVG..."
                                   << "";
    QTest::newRow("title case") << "&User Name:"
                                << "the capital of \"Name\"";
    QTest::newRow("caption of the tester") << "Avg .CPU Load &Threshold:"
                                           << "a space before a full stop";
    QTest::newRow("control name") << "txtCpuLoadThreshold"
                                  << "a control's name";
}

// The check below catches what it is for.
void tst_ExplorerScreen::plainWordsChecked()
{
    QFETCH(QString, caption);
    QFETCH(QString, fault);

    QCOMPARE(plainWordsFault(caption), fault);
}

void tst_ExplorerScreen::captionsArePlainWords()
{
    ExplorerWindow window;
    const QStringList texts = captions(window);
    QVERIFY(texts.size() > 30);
    for (const QString &text : texts) {
        const QString fault = plainWordsFault(text);
        QVERIFY2(fault.isEmpty(), qPrintable('"' + text + "\": " + fault));
    }
    auto *threshold = window.findChild<QSpinBox *>("threshold");
    const auto *form = qobject_cast<QFormLayout *>(threshold->parentWidget()->layout());
    QVERIFY(form);
    const auto *label = qobject_cast<QLabel *>(form->labelForField(threshold));
    QVERIFY(label);
    QCOMPARE(label->text(), "Avg. CPU load &threshold:");
}

QTEST_MAIN(tst_ExplorerScreen)
#include "tst_explorerscreen.moc"
