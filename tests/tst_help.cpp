// "Помощь" on a real X server, with the help module beside the executable
// and the collection put there by the test after a first try without it.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QDir>
#include <QMenu>
#include <QWebEngineView>
#include <QtTest>

namespace {

QList<QWebEngineView*> helpWindows()
{
    QList<QWebEngineView*> views;
    for (QWidget* w : QApplication::topLevelWidgets())
        views << qobject_cast<QWebEngineView*>(w);
    views.removeAll(nullptr);
    return views;
}

bool paints(QWidget* window, QRgb colour)
{
    const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto* first = reinterpret_cast<const QRgb*>(image.constBits());
    const auto* last = first + image.width() * image.height();
    return std::find(first, last, colour) != last;
}

}  // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { orvoInitResources(); }

    void eachClickOpensAWindowOnceTheCollectionIsThere()
    {
        const QString folder = QCoreApplication::applicationDirPath() + QLatin1String("/help");
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        TestDataDir data;
        BoxAnswerer boxes;
        OrvoWidgets window;
        QAction* help = window.findChild<QMenu*>()->actions().at(3);

        // Without it: the box, and no empty collection made in its place.
        help->trigger();
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].title + '|' + boxes.seen[0].text, QStringLiteral("Help|Help download error"));
        QVERIFY(QDir(folder).isEmpty() && helpWindows().isEmpty());

        for (const QString file : {"/my_help.qhc", "/orvohelp.qch"})
            QVERIFY(QFile::copy(QLatin1String(ORVO_HELP_COLLECTION) + file, folder + file));
        for (int click = 1; click <= 2; ++click) {
            help->trigger();
            QCOMPARE(helpWindows().size(), click);
        }
        QCOMPARE(boxes.seen.size(), 1);
        const QList<QPointer<QWebEngineView>> views{helpWindows()[0], helpWindows()[1]};
        for (QWebEngineView* view : views) {
            QTRY_COMPARE_WITH_TIMEOUT(view->windowTitle(), QStringLiteral("Справка OrvoWidgets"), 20000);
            // The headings in the colour of the style sheet read from the help store.
            QTRY_VERIFY_WITH_TIMEOUT(paints(view, qRgb(0x3a, 0x6e, 0xa5)), 10000);
        }
        views[0]->close();
        QTRY_VERIFY(views[0].isNull());
        QVERIFY(!views[1].isNull());
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
