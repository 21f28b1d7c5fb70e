#include "explorer/DeviceTableModel.h"
#include "explorer/ExplorerWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace tovik;

namespace {

const QSize kOpeningSize(1200, 800);

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
    void plainWordsChecked_data();
    void plainWordsChecked();
    void captionsArePlainWords();
};

void tst_ExplorerScreen::initTestCase()
{
    QVERIFY2(screenNamed("small") && screenNamed("large"),
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
    for (const char *name :
        {"run", "cancel", "progress", "status", "heatmap", "devices", "deviceViews"}) {
        const auto *widget = window->findChild<QWidget *>(name);
        QVERIFY2(widget, name);
        QVERIFY2(wholeInSight(widget), qPrintable(whereIs(*window, widget)));
    }
    auto *scroll = window->findChild<QScrollArea *>("settingsScroll");
    QVERIFY(scroll);
    QCOMPARE(scroll->verticalScrollBar()->maximum() > 0, lowest);
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
