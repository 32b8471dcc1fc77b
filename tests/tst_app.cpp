// The main window in-process: start-up, the tray, the settings page read from and stored to the row.
#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"
#include "toplevel.h"

#include "app/orvowidgets.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QUdpSocket>
#include <QtTest>
#include <QtWidgets>

namespace {

using Steps = QList<double>;

const char kRefuseWrites[] =
    "CREATE TRIGGER refuse BEFORE UPDATE ON settings BEGIN SELECT RAISE(ABORT, 'refused'); END";

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

    // Clicks on the icon toggle the clock (shown alone at start); the calendar's entry; the chat on its port.
    void trayTogglesTheGadgets_data()
    {
        QTest::addColumn<bool>("statusNotifier");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<bool>>("visible");
        using Tray = QSystemTrayIcon;
        // An XEmbed double click brings a click first; a StatusNotifier panel sends only clicks.
        QTest::newRow("XEmbed tray") << false
            << QList<int>{Tray::Trigger, Tray::MiddleClick, Tray::Context, Tray::DoubleClick, Tray::DoubleClick}
            << QList<bool>{true, true, true, false, true};
        QTest::newRow("StatusNotifier panel") << true << QList<int>{Tray::Trigger, Tray::Trigger, Tray::DoubleClick}
                                              << QList<bool>{false, true, false};
    }

    void trayTogglesTheGadgets()
    {
        QFETCH(bool, statusNotifier);
        QFETCH(QList<int>, clicks);
        QFETCH(QList<bool>, visible);
        FakePlatformScope platform;  // whatever panel the desktop running the tests has
        platform.fake.statusNotifierTray = statusNotifier;
        TestDataDir data;
        QUdpSocket probe;  // a port free now; loopback only
        QVERIFY(probe.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const quint16 port = probe.localPort();
        probe.close();
        data.arrange(QStringLiteral("UPDATE settings SET OrvoChatPort = %1").arg(port));
        auto window = std::make_unique<OrvoWidgets>();
        QPointer<QWidget> calendar = topLevel("myQtCalendar_"), chat = topLevel("OrvoChat");
        QUdpSocket().writeDatagram("at start", QHostAddress(QHostAddress::LocalHost), port);  // the stored port is open
        QTRY_VERIFY(chat->findChild<QTextEdit*>()->toPlainText().contains("at start"));
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(int(std::count_if(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); })), 1);
        QList<bool> seen;
        for (int reason : clicks) {
            QVERIFY(QMetaObject::invokeMethod(window.get(), "sysTrayActivated",
                                              Q_ARG(QSystemTrayIcon::ActivationReason, QSystemTrayIcon::ActivationReason(reason))));
            seen << topLevel("DigitalClockWidget")->isVisible();
        }
        QCOMPARE(seen, visible);
        for (bool shown : {true, false}) {
            window->findChild<QMenu*>()->actions().at(2)->trigger();
            QCOMPARE(calendar->isVisible(), shown);
        }
        window.reset();
        QVERIFY(!calendar && !chat);
        QVERIFY(probe.bind(QHostAddress::Any, port, QUdpSocket::DontShareAddress));  // closed with the chat
    }

    // A second start defers to the first; a lock that cannot be made at all must not keep the program from running.
    void singleInstanceLock()
    {
        QTemporaryDir dir;
        SingleInstance running(dir.path(), QStringLiteral(":1"));
        QVERIFY(running.isFirst() && !SingleInstance(dir.path(), QStringLiteral(":1")).isFirst());
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        QVERIFY(SingleInstance(dir.filePath("file"), QStringLiteral(":1")).isFirst());  // not a folder
    }

    void windowingOnWaylandIsXWhereverXIsThere_data()
    {
        QTest::addColumn<QByteArray>("qpaPlatform");
        QTest::addColumn<QByteArray>("sessionType");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<bool>("xReachable");
        QTest::addColumn<QByteArray>("platform");  // empty: the toolkit's own choice
        QTest::addColumn<bool>("warn");
        const QByteArray none, wayland("wayland"), xcb("xcb");
        QTest::newRow("X11 desktop") << none << QByteArray("x11") << none << true << none << false;
        QTest::newRow("user's choice") << wayland << wayland << QByteArray("wayland-0") << true << none << false;
        QTest::newRow("XWayland") << none << wayland << QByteArray("wayland-0") << true << xcb << false;
        QTest::newRow("compositor socket alone, XWayland") << none << none << QByteArray("wayland-1") << true << xcb << false;
        QTest::newRow("no X") << none << wayland << none << false << wayland << true;
    }
    void windowingOnWaylandIsXWhereverXIsThere()
    {
        QFETCH(QByteArray, qpaPlatform);
        QFETCH(QByteArray, sessionType);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(bool, xReachable);
        const WindowingChoice choice = chooseWindowing(qpaPlatform, sessionType, waylandDisplay, [&] { return xReachable; });
        QTEST(choice.platform, "platform");
        QTEST(choice.warnNoX, "warn");
    }

    void settingsPageIsFilledFromTheStoredRowWritingNothing()
    {
        // Every column a value of its own; a write while filling the page would show a box.
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

    // Each control of the page: stored at every step, applied to its gadget, and the one box it shows.
    void controlStoresAndApplies_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("column");
        QTest::addColumn<Steps>("steps");      // arranged, then stored after each key
        QTest::addColumn<QString>("applied");  // what the gadget shows then (a skin: its picture)
        QTest::addColumn<QString>("message");
        const QString restart("Для применения настроек перезайдите в программу!");
        QTest::newRow("width") << "spinBox_width" << Qt::Key_Up << "DigitalClock_Width" << Steps{350, 351}
                               << "351x84" << "";
        QTest::newRow("a stored 1200 shows 999 until changed")
            << "spinBox_height" << Qt::Key_Up << "DigitalClock_Width" << Steps{1200, 999} << "999x85" << "";
        QTest::newRow("row height") << "spinBox_DefaultSectionSize" << Qt::Key_Up << "ToDoList_DefaultSectionSize"
                                    << Steps{30, 31, 32} << "32" << "";
        QTest::newRow("Синий стикер") << "Sticker_Skin" << Qt::Key_Down << "ToDoList_Skin_Sticker"
                                      << Steps{0, 1, 2, 3} << ":/img/stiker3.png" << "";
        QTest::newRow("Скин 3") << "clock_skin" << Qt::Key_Down << "DigitalClock_Skin" << Steps{0, 1, 2}
                                << ":/img/main_skin2.png" << "";
        QTest::newRow("opacity 1.0 down to 0.5") << "doubleSpinBoxsetOpacity" << Qt::Key_Down << "DigitalClock_Opacity"
                                                 << Steps{1, 0.9, 0.8, 0.7, 0.6, 0.5} << "0.5" << "";
        QTest::newRow("follow today on")
            << "GoToCurrentToDo" << Qt::Key_Space << "ToDoGoToCurrentDay" << Steps{0, 2}
            << "follows" << "В данном режиме программа автоматически будет переходить на задачи текущего дня.";
        QTest::newRow("follow today off, silently")
            << "GoToCurrentToDo" << Qt::Key_Space << "ToDoGoToCurrentDay" << Steps{2, 0} << "stays" << "";
        for (const QString box : {"DigitalClockWidget_StaysOnTop", "ToDoList_StaysOnTop"})
            QTest::newRow(qPrintable(box)) << box << Qt::Key_Space << box << Steps{0, 2} << "on top" << restart;
        QUdpSocket probe;  // a port free now; loopback only
        QVERIFY(probe.bind(QHostAddress(QHostAddress::LocalHost), 0));
        QTest::newRow("chat port") << "spinBox_chat_port" << Qt::Key_Up << "OrvoChatPort"
                                   << Steps{probe.localPort() - 1.0, double(probe.localPort())} << "heard" << "";
    }

    void controlStoresAndApplies()
    {
        QFETCH(QString, control);
        QFETCH(Qt::Key, key);
        QFETCH(QString, column);
        QFETCH(Steps, steps);
        QFETCH(QString, applied);
        QFETCH(QString, message);
        Page page(column + " = " + QString::number(steps[0]));
        QCOMPARE(page.stored(column).toDouble(), steps[0]);
        // The stays-on-top handlers end this loop themselves (the test ends it for the others).
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

        QWidget *clock = topLevel("DigitalClockWidget"), *sticker = topLevel("ToDoList");
        QWidget* gadget = column.startsWith(QLatin1String("ToDo")) ? sticker : clock;
        QImage painted(gadget->size(), QImage::Format_ARGB32);
        painted.fill(Qt::transparent);
        gadget->render(&painted, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        const QColor centre = painted.pixelColor(gadget->rect().center());
        QString now;
        if (column.endsWith(QLatin1String("_Width"))) {
            now = QStringLiteral("%1x%2").arg(clock->width()).arg(clock->height());
        } else if (column.endsWith(QLatin1String("SectionSize"))) {
            now = QString::number(sticker->findChild<QTableView*>()->verticalHeader()->defaultSectionSize());
        } else if (column.endsWith(QLatin1String("Skin")) || column.endsWith(QLatin1String("Sticker"))) {
            const QImage wanted = QImage(applied).scaled(gadget->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            now = centre == wanted.pixelColor(gadget->rect().center()) ? applied : centre.name();
        } else if (column.endsWith(QLatin1String("Opacity"))) {
            now = QString::number(centre.alphaF(), 'f', 1);
        } else if (column == QLatin1String("ToDoGoToCurrentDay")) {
            FakePlatformScope platform;  // a Monday: a following sticker turns to it at its next minute
            platform.fake.now = QDateTime(QDate(2024, 1, 1), QTime(9, 0));
            sticker->show();
            for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(sticker)) {
                QTimerEvent minute(timer.timerId);
                QApplication::sendEvent(sticker, &minute);
            }
            now = sticker->windowTitle() == QLocale::system().dayName(1) ? "follows" : "stays";
        } else if (ends) {
            now = gadget->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? "on top" : "";
        } else {
            QUdpSocket().writeDatagram("on the new port", QHostAddress(QHostAddress::LocalHost), quint16(steps.last()));
            const auto heard = [] { return topLevel("OrvoChat")->findChild<QTextEdit*>()->toPlainText().contains("new port"); };
            now = QTest::qWaitFor(heard, 5000) ? "heard" : "";
        }
        QCOMPARE(now, applied);
    }

    // OK on the dialog as it opens stores the same text (its style, not the family's first); a change is stored.
    void fontDialogKeepsOrChanges_data()
    {
        QTest::addColumn<QString>("font");
        for (const char* font : {"DejaVu Sans,10,-1,5,50,0,0,0,0,0", "DejaVu Sans,12,-1,5,75,1,0,0,0,0",
                                 "DejaVu Serif,9,-1,5,50,0,1,0,0,0", "DejaVu Sans,10,-1,5,50,0,0,0,0,0,Book"})
            QTest::newRow(font) << font;
    }

    void fontDialogKeepsOrChanges()
    {
        QFETCH(QString, font);
        Page page("ToDoList_Font = '" + font + "'");
        int opened = 0;
        page.boxes.onDialog([&](QDialog* dialog) {
            if (++opened == 2)
                qobject_cast<QFontDialog*>(dialog)->setCurrentFont(QFont("DejaVu Sans Mono", 14));
            dialog->accept();
        });
        QTest::mouseClick(page.field("ToDoListFont"), Qt::LeftButton);
        QCOMPARE(page.stored("ToDoList_Font").toString(), font);
        QTest::mouseClick(page.field("ToDoListFont"), Qt::LeftButton);
        QVERIFY(page.stored("ToDoList_Font").toString().startsWith("DejaVu Sans Mono,14,"));
    }

    // Stored far off, every gadget opens inside the screen, the places stored unchanged; the chat fits too.
    void gadgetsOpenOnTheScreen_data()
    {
        QTest::addColumn<QList<QRect>>("screens");  // the last is the one nearest to the stored place
        QTest::newRow("1280 x 800 under a panel") << QList<QRect>{QRect(0, 28, 1280, 772)};
        QTest::newRow("1600 x 1000 at scale 2") << QList<QRect>{QRect(0, 0, 800, 500)};
        QTest::newRow("two screens") << QList<QRect>{QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
    }

    void gadgetsOpenOnTheScreen()
    {
        QFETCH(QList<QRect>, screens);
        const QRect area = screens.last();
        FakePlatformScope platform;
        platform.fake.screens = screens;
        const QString far = "DigitalClock_Pos_x = 5000, DigitalClock_Pos_y = 5000, ToDoList_Pos_x = 5000, "
                            "ToDoList_Pos_y = 5000, Calendar_Pos_x = 5000, Calendar_Pos_y = 5000";
        Page page(far);
        QTest::mouseClick(topLevel("DigitalClockWidget")->findChild<QWidget*>("day_1"), Qt::LeftButton);
        for (int entry : {1, 2})  // the chat, the calendar
            page.window.findChild<QMenu*>()->actions().at(entry)->trigger();
        QWidget* chat = topLevel("OrvoChat");  // which has no stored place: on the first screen
        for (const char* gadget : {"DigitalClockWidget", "ToDoList", "myQtCalendar_", "OrvoChat"}) {
            QWidget* window = topLevel(gadget);
            QVERIFY2(window->isVisible(), gadget);
            QTRY_VERIFY2((window == chat ? screens.first() : area).contains(window->frameGeometry()), gadget);
        }
        for (const char* field : {"messageEdit", "sendButton"}) {
            QWidget* widget = chat->findChild<QWidget*>(field);
            QVERIFY2(screens.first().contains(QRect(widget->mapToGlobal(QPoint()), widget->size())), field);
        }
        for (const QString column : {"DigitalClock_Pos_x", "ToDoList_Pos_y", "Calendar_Pos_x"})
            QCOMPARE(page.stored(column).toInt(), 5000);
    }

    // Chosen in a dialog that lists files without an extension; a failed read shows "Error" over nothing.
    void fileToRunChosenInADialog()
    {
        Page page("FileToRun = ''", "ALTER TABLE settings RENAME COLUMN OrvoChatPort TO SomethingElse");
        QCOMPARE(page.boxes.seen.size(), 1);
        QCOMPARE(page.boxes.seen[0].title, QStringLiteral("Error"));
        QVERIFY(page.boxes.seen[0].text.contains("OrvoChatPort") && !page.boxes.seen[0].hadParent);

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
            dialog->focusWidget()->clearFocus();  // else the name field keeps what it has
            files->selectFile(dir.filePath("backup"));
            dialog->accept();
        });
        QTest::mouseClick(page.field("toolButton"), Qt::LeftButton);
        QCOMPARE(offered, QStringList{"backup"});
        QCOMPARE(page.stored("FileToRun").toString() + '|' + page.window.findChild<QLineEdit*>("lineEdit")->text(),
                 dir.filePath("backup") + '|' + dir.filePath("backup"));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
