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
#include <QWebEngineView>
#include <QtTest>

namespace {

QString helpDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/help");
}

void help(OrvoWidgets& window)
{
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->text() == QStringLiteral("Помощь"))
            action->trigger();
    }
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

bool paints(QWidget* window, QColor colour)
{
    const QImage image = window->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour)
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
        QDir(helpDir()).removeRecursively();
        // The clock outlives the main window; it takes its sticker along.
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows) {
            if (qobject_cast<DigitalClockWidget*>(w))
                return delete w;
        }
    }

    void withoutCollectionTheHelpBox()
    {
        QDir().mkpath(helpDir());
        TestDataDir data;
        BoxAnswerer boxes;
        OrvoWidgets window;
        help(window);
        QVERIFY(helpWindows().isEmpty());
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].title, QStringLiteral("Help"));
        QCOMPARE(boxes.seen[0].text, QStringLiteral("Help download error"));
        QCOMPARE(boxes.seen[0].parent.data(), &window);
        // Nothing is made in the program's folder.
        QVERIFY(QDir(helpDir()).isEmpty());
    }

    void eachClickOpensAWindowFreedWhenClosed()
    {
        QDir().mkpath(helpDir());
        for (const char* file : {"/my_help.qhc", "/orvohelp.qch"})
            QVERIFY(QFile::copy(QLatin1String(ORVO_HELP_COLLECTION) + QLatin1String(file),
                                helpDir() + QLatin1String(file)));
        TestDataDir data;
        BoxAnswerer boxes;
        OrvoWidgets window;
        QList<QPointer<QWebEngineView>> opened;
        for (int click = 1; click <= 2; ++click) {
            const auto before = helpWindows();
            help(window);
            QCOMPARE(helpWindows().size(), click);
            QWebEngineView* view = nullptr;
            for (QWebEngineView* v : helpWindows())
                view = before.contains(v) ? view : v;
            opened << view;
            QTRY_COMPARE_WITH_TIMEOUT(view->windowTitle(), QStringLiteral("Справка OrvoWidgets"), 20000);
            // Drawn, with the headings in the colour of the style sheet that
            // the page reads from the help store.
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
