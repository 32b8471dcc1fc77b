// "Помощь" on a real X server: the help module loaded from beside the
// executable, the collection put there or taken away by the test.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "app/startup.h"
#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

#include <QAction>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

namespace {

QString helpDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/help");
}

void clearHelpDir()
{
    QDir(helpDir()).removeRecursively();
}

void installCollection()
{
    clearHelpDir();
    QDir().mkpath(helpDir());
    for (const char* file : {"my_help.qhc", "orvohelp.qch"})
        QVERIFY(QFile::copy(QLatin1String(ORVO_HELP_COLLECTION "/") + QLatin1String(file),
                            helpDir() + QLatin1Char('/') + QLatin1String(file)));
}

// Both files: the collection refreshes its copy of the index from the
// documentation file when that one looks newer.
void dropIdentifier()
{
    for (const char* file : {"my_help.qhc", "orvohelp.qch"}) {
        {
            auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("help"));
            db.setDatabaseName(helpDir() + QLatin1Char('/') + QLatin1String(file));
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("DELETE FROM IndexTable WHERE Identifier = 'Clock'")));
            QVERIFY(query.numRowsAffected() > 0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("help"));
    }
}

void help(OrvoWidgets& window)
{
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->text() == QStringLiteral("Помощь"))
            return action->trigger();
    }
    QFAIL("no help action");
}

QList<QWebEngineView*> helpWindows()
{
    QList<QWebEngineView*> views;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* view = qobject_cast<QWebEngineView*>(w))
            views << view;
    }
    return views;
}

QVariant evaluate(QWebEngineView* view, const QString& script)
{
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("no answer");
    return result;
}

bool paints(QWidget* window, const QColor& colour)
{
    const QImage image = window->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 12)
                return true;
        }
    }
    return false;
}

}  // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { orvoInitResources(); }
    void cleanup()
    {
        // The clock outlives the main window; it takes its sticker along.
        const auto windows = QApplication::topLevelWidgets();
        auto clock = std::find_if(windows.begin(), windows.end(),
                                  [](QWidget* w) { return qobject_cast<DigitalClockWidget*>(w); });
        if (clock != windows.end())
            delete *clock;
        clearHelpDir();
    }

    void nothingToShow_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("box");
        QTest::newRow("no help folder") << "" << true;
        QTest::newRow("help folder without the collection") << "folder" << true;
        QTest::newRow("collection without the page") << "no page" << false;
    }

    void nothingToShow()
    {
        QFETCH(QString, setup);
        QFETCH(bool, box);
        if (setup == QLatin1String("folder"))
            QDir().mkpath(helpDir());
        if (setup == QLatin1String("no page")) {
            installCollection();
            dropIdentifier();
        }
        TestDataDir data;
        BoxAnswerer boxes;
        OrvoWidgets window;
        help(window);
        QTest::qWait(300);
        QVERIFY(helpWindows().isEmpty());
        QCOMPARE(boxes.seen.size(), box ? 1 : 0);
        if (box) {
            QCOMPARE(boxes.seen[0].title, QStringLiteral("Help"));
            QCOMPARE(boxes.seen[0].text, QStringLiteral("Help download error"));
            QCOMPARE(boxes.seen[0].parent.data(), &window);
        }
        // Asking for help leaves the program's folder as it found it.
        QCOMPARE(QFileInfo::exists(helpDir() + QLatin1String("/my_help.qhc")), setup == QLatin1String("no page"));
    }

    void eachClickOpensAWindowFreedWhenClosed()
    {
        installCollection();
        TestDataDir data;
        BoxAnswerer boxes;
        QList<QPointer<QWebEngineView>> opened;
        OrvoWidgets window;
        for (int click = 1; click <= 2; ++click) {
            const auto before = helpWindows();
            help(window);
            QCOMPARE(helpWindows().size(), click);
            QWebEngineView* view = nullptr;
            for (QWebEngineView* v : helpWindows())
                view = before.contains(v) ? view : v;
            opened << view;
            QSignalSpy loaded(view, &QWebEngineView::loadFinished);
            QVERIFY(QTest::qWaitForWindowExposed(view));
            QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 20000);
            QCOMPARE(evaluate(view, QStringLiteral("document.querySelector('h1').textContent")).toString(),
                     QStringLiteral("Справка OrvoWidgets"));
            // The pictures and the style come from the help store.
            QCOMPARE(evaluate(view, QStringLiteral("[...document.images].filter(i => i.naturalWidth == 0)"
                                                   ".map(i => i.src).join()"))
                         .toString(),
                     QString());
            QVERIFY(evaluate(view, QStringLiteral("document.images.length")).toInt() > 0);
            // Drawn, the headings in the style's colour.
            QTRY_VERIFY_WITH_TIMEOUT(paints(view, QColor(0x3a, 0x6e, 0xa5)), 10000);
        }
        QVERIFY(boxes.seen.isEmpty());

        opened[0]->close();
        QTRY_VERIFY(opened[0].isNull());
        QVERIFY(!opened[1].isNull());
    }
};

int main(int argc, char* argv[])
{
    prepareApplication();
    QApplication app(argc, argv);
    TestHelp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_help.moc"
