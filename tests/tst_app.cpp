// The main window in-process: start-up, the tray toggles, the settings page
// filled from the stored row and storing what the user changes on it.
#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QListView>
#include <QMenu>
#include <QTextEdit>
#include <QUdpSocket>
#include <QtTest>

namespace {

using Steps = QList<double>;

const char kRefuseWrites[] =
    "CREATE TRIGGER refuse BEFORE UPDATE ON settings BEGIN SELECT RAISE(ABORT, 'refused'); END";

QWidget* topLevel(const char* className)
{
    const auto windows = QApplication::topLevelWidgets();
    auto found = std::find_if(windows.begin(), windows.end(), [&](QWidget* w) { return w->inherits(className); });
    return found == windows.end() ? nullptr : *found;
}

// The settings page, filled from the row as arranged by `assignments` and then by the statement `then`.
struct Page
{
    explicit Page(const QString& assignments, const QString& then = QStringLiteral("SELECT 1"))
        : arranged((data.arrange("UPDATE settings SET " + assignments), data.arrange(then), true)) {}
    QWidget* field(const QString& name) { return window.findChild<QWidget*>(name); }
    QVariant stored(const QString& column) const { return data.scalar("select " + column + " from settings"); }

    TestDataDir data;
    bool arranged;  // before the page reads the row
    BoxAnswerer boxes;
    OrvoWidgets window;
};

}  // namespace

class TestApp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        orvoInitResources();
        QApplication::setQuitOnLastWindowClosed(false);  // as in the program, which lives in the tray
    }
    // The clock outlives the main window: each test drops its own.
    void cleanup() { delete topLevel("DigitalClockWidget"); }

    void startShowsTheClockAndTheTrayTogglesTheGadgets()
    {
        FakePlatformScope platform;  // an XEmbed tray, whatever panel the desktop running the tests has
        TestDataDir data;
        auto window = std::make_unique<OrvoWidgets>();
        QWidget* clock = topLevel("DigitalClockWidget");
        QPointer<QWidget> calendar = topLevel("myQtCalendar_");
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(int(std::count_if(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); })), 1);
        // That one is the clock, which only a double click on the icon toggles.
        const std::pair<QSystemTrayIcon::ActivationReason, bool> clicks[] = {
            {QSystemTrayIcon::Trigger, true}, {QSystemTrayIcon::MiddleClick, true}, {QSystemTrayIcon::Context, true},
            {QSystemTrayIcon::DoubleClick, false}, {QSystemTrayIcon::DoubleClick, true}};
        for (const auto& [reason, visible] : clicks) {
            QVERIFY(QMetaObject::invokeMethod(window.get(), "sysTrayActivated",
                                              Q_ARG(QSystemTrayIcon::ActivationReason, reason)));
            QCOMPARE(clock->isVisible(), visible);
        }
        // The calendar's entry in the menu; the calendar goes with the window.
        for (bool visible : {true, false}) {
            window->findChild<QMenu*>()->actions().at(2)->trigger();
            QCOMPARE(calendar->isVisible(), visible);
        }
        window.reset();
        QVERIFY(!calendar);
    }

    // Trigger, Trigger, DoubleClick: where the clock is after each.
    void trayClickTogglesOnlyWherePanelsHaveNoDoubleClick_data()
    {
        QTest::addColumn<bool>("statusNotifier");
        QTest::addColumn<QList<bool>>("visible");
        // An XEmbed double click brings a click first, which must not toggle.
        QTest::newRow("XEmbed tray") << false << QList<bool>{true, true, false};
        QTest::newRow("StatusNotifier panel") << true << QList<bool>{false, true, false};
    }
    void trayClickTogglesOnlyWherePanelsHaveNoDoubleClick()
    {
        QFETCH(bool, statusNotifier);
        QFETCH(QList<bool>, visible);
        FakePlatformScope platform;
        platform.fake.statusNotifierTray = statusNotifier;
        TestDataDir data;
        OrvoWidgets window;
        const QSystemTrayIcon::ActivationReason clicks[] = {QSystemTrayIcon::Trigger, QSystemTrayIcon::Trigger,
                                                            QSystemTrayIcon::DoubleClick};
        QList<bool> seen;
        for (auto reason : clicks) {
            QVERIFY(QMetaObject::invokeMethod(&window, "sysTrayActivated",
                                              Q_ARG(QSystemTrayIcon::ActivationReason, reason)));
            seen.append(topLevel("DigitalClockWidget")->isVisible());
        }
        QCOMPARE(seen, visible);
        delete topLevel("DigitalClockWidget");  // while the fake it reads is alive
    }

    void windowingOnWaylandIsXWhereverXIsThere_data()
    {
        QTest::addColumn<QByteArray>("qpaPlatform");
        QTest::addColumn<QByteArray>("sessionType");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<bool>("xReachable");
        QTest::addColumn<QByteArray>("platform");  // empty: the toolkit's own choice
        QTest::addColumn<bool>("warn");
        QTest::addColumn<bool>("askedForX");
        QTest::newRow("X11 desktop") << QByteArray() << QByteArray("x11") << QByteArray() << true << QByteArray()
                                     << false << false;
        QTest::newRow("user's choice") << QByteArray("wayland") << QByteArray("wayland") << QByteArray("wayland-0")
                                       << true << QByteArray() << false << false;
        QTest::newRow("XWayland") << QByteArray() << QByteArray("wayland") << QByteArray("wayland-0") << true
                                  << QByteArray("xcb") << false << true;
        QTest::newRow("compositor socket alone, XWayland")
            << QByteArray() << QByteArray() << QByteArray("wayland-1") << true << QByteArray("xcb") << false << true;
        QTest::newRow("no X") << QByteArray() << QByteArray("wayland") << QByteArray() << false
                              << QByteArray("wayland") << true << true;
    }
    void windowingOnWaylandIsXWhereverXIsThere()
    {
        QFETCH(QByteArray, qpaPlatform);
        QFETCH(QByteArray, sessionType);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(bool, xReachable);
        bool asked = false;
        const WindowingChoice choice = chooseWindowing(qpaPlatform, sessionType, waylandDisplay, [&] {
            asked = true;
            return xReachable;
        });
        QTEST(choice.platform, "platform");
        QTEST(choice.warnNoX, "warn");
        QTEST(asked, "askedForX");  // an X connection at every start of an X11 desktop would cost for nothing
    }

    void settingsPageIsFilledFromTheStoredRowWritingNothing()
    {
        // Every column a value of its own, so that one read into the wrong
        // control shows; a write while filling the page would show a box.
        Page page("DigitalClock_Width = 401, DigitalClock_Height = 77, DigitalClockWidget_StaysOnTop = 0, "
                  "ToDoList_StaysOnTop = 2, ToDoList_DefaultSectionSize = 25, ToDoList_Skin_Sticker = 3, "
                  "ToDoGoToCurrentDay = 0, OrvoChatPort = 8123, DigitalClock_Skin = 2, FileToRun = '/opt/x.sh', "
                  "DigitalClock_Opacity = 0.4",
                  kRefuseWrites);
        const QVariantMap shown{{"spinBox_width", 401}, {"spinBox_height", 77},
                                {"DigitalClockWidget_StaysOnTop", false}, {"ToDoList_StaysOnTop", true},
                                {"spinBox_DefaultSectionSize", 25}, {"Sticker_Skin", "Синий стикер"},
                                {"GoToCurrentToDo", false}, {"spinBox_chat_port", 8123}, {"clock_skin", "Скин 3"},
                                {"lineEdit", "/opt/x.sh"}, {"doubleSpinBoxsetOpacity", 0.4}};
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            QWidget* control = page.field(it.key());
            QCOMPARE(control->metaObject()->userProperty().read(control), it.value());
        }
        QVERIFY(page.boxes.seen.isEmpty());
    }

    void controlStoresEveryStep_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("column");
        QTest::addColumn<Steps>("steps");      // arranged, then stored after each key
        QTest::addColumn<QString>("skin");     // the picture the gadget paints then
        QTest::addColumn<QString>("message");  // the one box shown
        QTest::newRow("width 350 to 351")
            << "spinBox_width" << Qt::Key_Up << "DigitalClock_Width" << Steps{350, 351} << "" << "";
        QTest::newRow("a stored 1200 shows 999 until changed")
            << "spinBox_height" << Qt::Key_Up << "DigitalClock_Width" << Steps{1200, 999} << "" << "";
        QTest::newRow("Синий стикер") << "Sticker_Skin" << Qt::Key_Down << "ToDoList_Skin_Sticker"
                                      << Steps{0, 1, 2, 3} << ":/img/stiker3.png" << "";
        QTest::newRow("Скин 3") << "clock_skin" << Qt::Key_Down << "DigitalClock_Skin" << Steps{0, 1, 2}
                                << ":/img/main_skin2.png" << "";
        QTest::newRow("opacity 1.0 down to 0.5") << "doubleSpinBoxsetOpacity" << Qt::Key_Down << "DigitalClock_Opacity"
                                                 << Steps{1, 0.9, 0.8, 0.7, 0.6, 0.5} << "" << "";
        QTest::newRow("follow today on")
            << "GoToCurrentToDo" << Qt::Key_Space << "ToDoGoToCurrentDay" << Steps{0, 2} << ""
            << "В данном режиме программа автоматически будет переходить на задачи текущего дня.";
        QTest::newRow("follow today off, silently")
            << "GoToCurrentToDo" << Qt::Key_Space << "ToDoGoToCurrentDay" << Steps{2, 0} << "" << "";
        for (const QString box : {"DigitalClockWidget_StaysOnTop", "ToDoList_StaysOnTop"})
            QTest::newRow(qPrintable(box)) << box << Qt::Key_Space << box << Steps{0, 2} << ""
                                           << "Для применения настроек перезайдите в программу!";
        QUdpSocket probe;  // a port free now; loopback only
        QVERIFY(probe.bind(QHostAddress(QHostAddress::LocalHost), 0));
        QTest::newRow("chat port") << "spinBox_chat_port" << Qt::Key_Up << "OrvoChatPort"
                                   << Steps{probe.localPort() - 1.0, double(probe.localPort())} << "" << "";
    }

    void controlStoresEveryStep()
    {
        QFETCH(QString, control);
        QFETCH(Qt::Key, key);
        QFETCH(QString, column);
        QFETCH(Steps, steps);
        QFETCH(QString, skin);
        QFETCH(QString, message);
        Page page(column + " = " + QString::number(steps[0]));
        QCOMPARE(page.stored(column).toDouble(), steps[0]);
        // The keys go in through an event loop that the stays-on-top handlers must end themselves (the test ends
        // it for the other controls) and that gives up by itself after ten seconds.
        const bool ends = control.endsWith(QLatin1String("StaysOnTop"));
        QTimer::singleShot(0, &page.window, [&] {
            for (double step : steps.mid(1)) {
                QTest::keyClick(page.field(control), key);
                QCOMPARE(page.stored(column).toDouble(), step);
            }
            if (!ends)
                QCoreApplication::exit(0);
        });
        QTimer::singleShot(10000, &page.window, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(page.boxes.seen.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(page.boxes.seen.value(0).text, message);
        QWidget* clock = topLevel("DigitalClockWidget");
        if (column == QLatin1String("DigitalClock_Width"))  // resized to the size stored
            QCOMPARE(clock->size(), QSize(int(steps.last()), page.stored("DigitalClock_Height").toInt()));
        if (column == QLatin1String("OrvoChatPort")) {  // the chat listens on the new port
            QUdpSocket().writeDatagram("on the new port", QHostAddress(QHostAddress::LocalHost), quint16(steps.last()));
            QTRY_VERIFY(topLevel("OrvoChat")->findChild<QTextEdit*>("chatEdit")->toPlainText().contains("new port"));
        }
        if (!skin.isEmpty()) {
            QWidget* gadget = skin.contains(QLatin1String("stiker")) ? topLevel("ToDoList") : clock;
            QImage painted(gadget->size(), QImage::Format_ARGB32_Premultiplied);
            gadget->render(&painted, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            const QImage wanted = QImage(skin).scaled(gadget->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QCOMPARE(painted.pixelColor(gadget->rect().center()), wanted.pixelColor(gadget->rect().center()));
        }
    }

    void fontDialogStartsFromTheLastChoice()
    {
        Page page("ToDoList_Font = 'DejaVu Sans,11,-1,5,50,0,0,0,0,0'");
        QStringList offered;
        page.boxes.onDialog([&](QDialog* dialog) {
            auto* fonts = qobject_cast<QFontDialog*>(dialog);
            offered << fonts->currentFont().family();
            fonts->setCurrentFont(QFont(offered.size() == 1 ? "DejaVu Serif" : "DejaVu Sans Mono", 14));
            dialog->accept();
        });
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(page.field("ToDoListFont"), Qt::LeftButton);
        QCOMPARE(offered, (QStringList{"DejaVu Sans", "DejaVu Serif"}));
        QVERIFY(page.stored("ToDoList_Font").toString().startsWith("DejaVu Sans Mono,"));
    }

    void typedPathIsStoredByTheSaveButtonAndFailuresShowError()
    {
        // A failed read of the page's row: a box over nothing.
        Page page("FileToRun = ''", "ALTER TABLE settings RENAME COLUMN OrvoChatPort TO SomethingElse");
        QCOMPARE(page.boxes.seen.size(), 1);
        QCOMPARE(page.boxes.seen[0].title, QStringLiteral("Error"));
        QVERIFY(page.boxes.seen[0].text.contains("OrvoChatPort") && !page.boxes.seen[0].hadParent);

        QTest::keyClicks(page.field("lineEdit"), "/opt/tool.sh");
        QCOMPARE(page.stored("FileToRun").toString(), QString());
        QTest::mouseClick(page.field("toolButton_2"), Qt::LeftButton);
        QCOMPARE(page.stored("FileToRun").toString(), QStringLiteral("/opt/tool.sh"));

        // A failed write: a box over the page.
        page.data.exec(kRefuseWrites);
        QTest::mouseClick(page.field("toolButton_2"), Qt::LeftButton);
        QCOMPARE(page.boxes.seen.size(), 2);
        QCOMPARE(page.boxes.seen[1].title + '|' + page.boxes.seen[1].text.left(7), QStringLiteral("Error|refused"));
        QCOMPARE(page.boxes.seen[1].parent.data(), &page.window);
    }

    // Programs and scripts here seldom have an extension: "*.*" would hide them.
    void fileDialogOffersFilesWithoutAnExtension()
    {
        Page page("FileToRun = ''");
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("backup")).open(QIODevice::WriteOnly));
        QStringList offered;
        page.boxes.onDialog([&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->setDirectory(dir.path());
            auto* list = files->findChild<QListView*>(QStringLiteral("listView"));
            (void)QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 3000);
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                offered << list->model()->index(row, 0, list->rootIndex()).data().toString();
            if (QWidget* focused = dialog->focusWidget())
                focused->clearFocus();  // else the name field keeps what it has
            files->selectFile(dir.filePath("backup"));
            dialog->accept();
        });
        QTest::mouseClick(page.field("toolButton"), Qt::LeftButton);
        QCOMPARE(offered, QStringList{"backup"});
        QCOMPARE(page.stored("FileToRun").toString(), dir.filePath("backup"));
        QCOMPARE(page.window.findChild<QLineEdit*>("lineEdit")->text(), dir.filePath("backup"));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
