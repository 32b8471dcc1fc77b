// The main window in-process: its tray menu, the tray toggles, the settings
// load, and what happens when the settings cannot be read.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "calendar/myqtcalendar.h"
#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QtTest>

Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)

namespace {

DigitalClockWidget* theClock()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (auto* clock = qobject_cast<DigitalClockWidget*>(w))
            return clock;
    }
    return nullptr;
}

// The clock ends with the process, not with the main window; tests drop
// each one so the next test finds its own.
void dropClock()
{
    delete theClock();
}

bool trayActivated(OrvoWidgets& window, QSystemTrayIcon::ActivationReason reason)
{
    return QMetaObject::invokeMethod(&window, "sysTrayActivated", Qt::DirectConnection,
                                     Q_ARG(QSystemTrayIcon::ActivationReason, reason));
}

}  // namespace

class TestApp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void startShowsOnlyTheClock();
    void trayMenuHasFiveEntriesAndASeparatorBeforeExit();
    void onlyADoubleClickTogglesTheClock_data();
    void onlyADoubleClickTogglesTheClock();
    void settingsEntryShowsThePageAsItIs();
    void calendarEntryTogglesTheCalendarThatGoesWithTheWindow();
    void exitEntryEndsTheEventLoopWithZero();
    void settingsPageIsFilledFromTheStoredRow();
    void outOfRangeValuesAreClampedButNotWrittenBack();
    void failedSettingsReadKeepsTheFormDefaults();
};

void TestApp::initTestCase()
{
    orvoInitResources();
    qRegisterMetaType<QSystemTrayIcon::ActivationReason>();
}

void TestApp::cleanup()
{
    dropClock();
}

void TestApp::startShowsOnlyTheClock()
{
    TestDataDir data(TestDataDir::Provisioned);
    BoxAnswerer boxes;
    OrvoWidgets window;
    QVERIFY(!window.isVisible());
    DigitalClockWidget* clock = theClock();
    QVERIFY(clock);
    QVERIFY(clock->isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("OrvoWidgets"));
    QVERIFY(boxes.seen.isEmpty());
    int visible = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        visible += w->isVisible() && !qobject_cast<QMenu*>(w) ? 1 : 0;
    QCOMPARE(visible, 1);
}

void TestApp::trayMenuHasFiveEntriesAndASeparatorBeforeExit()
{
    TestDataDir data;
    OrvoWidgets window;
    auto* menu = window.findChild<QMenu*>();
    QVERIFY(menu);
    const auto actions = menu->actions();
    QStringList texts;
    for (QAction* a : actions) {
        texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
        QVERIFY(a->isSeparator() || !a->icon().isNull());
    }
    // The letter after each slash is a Latin "c".
    const QStringList expected{QStringLiteral("&Настройки программы"), QStringLiteral("Показать/\x63крыть чат"),
                               QStringLiteral("Показать/\x63крыть календарь"), QStringLiteral("Помощь"),
                               QStringLiteral("|"), QStringLiteral("Выход")};
    QCOMPARE(texts, expected);
}

void TestApp::onlyADoubleClickTogglesTheClock_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << true;
    QTest::newRow("single click") << QSystemTrayIcon::Trigger << false;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
    QTest::newRow("context") << QSystemTrayIcon::Context << false;
    QTest::newRow("unknown") << QSystemTrayIcon::Unknown << false;
}

void TestApp::onlyADoubleClickTogglesTheClock()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, toggles);
    TestDataDir data;
    OrvoWidgets window;
    DigitalClockWidget* clock = theClock();
    QVERIFY(clock->isVisible());
    QVERIFY(trayActivated(window, reason));
    QCOMPARE(clock->isVisible(), !toggles);
    QVERIFY(trayActivated(window, reason));
    QVERIFY(clock->isVisible());
}

void TestApp::settingsEntryShowsThePageAsItIs()
{
    TestDataDir data;
    OrvoWidgets window;
    auto* menu = window.findChild<QMenu*>();
    QAction* setup = menu->actions().first();
    auto* width = window.findChild<QSpinBox*>(QStringLiteral("spinBox_width"));
    setup->trigger();
    QVERIFY(window.isVisible());
    width->setValue(123);  // edited on the page; not reloaded from the database
    window.close();
    QVERIFY(!window.isVisible());
    setup->trigger();
    setup->trigger();
    QVERIFY(window.isVisible());
    QCOMPARE(width->value(), 123);
}

void TestApp::calendarEntryTogglesTheCalendarThatGoesWithTheWindow()
{
    TestDataDir data;
    QPointer<myQtCalendar_> calendar;
    {
        OrvoWidgets window;
        for (QWidget* w : QApplication::topLevelWidgets())
            calendar = calendar ? calendar.data() : qobject_cast<myQtCalendar_*>(w);
        QVERIFY(calendar && !calendar->isVisible());
        QAction* entry = window.findChild<QMenu*>()->actions().at(2);
        entry->trigger();
        QVERIFY(calendar->isVisible());
        entry->trigger();
        QVERIFY(!calendar->isVisible());
    }
    QVERIFY(!calendar);
}

void TestApp::exitEntryEndsTheEventLoopWithZero()
{
    TestDataDir data;
    OrvoWidgets window;
    QAction* exit = window.findChild<QMenu*>()->actions().last();
    QTimer::singleShot(0, exit, &QAction::trigger);
    QTimer guard;
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestApp::settingsPageIsFilledFromTheStoredRow()
{
    TestDataDir data;
    data.arrange(QStringLiteral("UPDATE settings SET DigitalClock_Width = 401, DigitalClock_Height = 77, "
                             "DigitalClockWidget_StaysOnTop = 0, ToDoList_StaysOnTop = 1, "
                             "ToDoList_DefaultSectionSize = 25, ToDoList_Skin_Sticker = 3, ToDoGoToCurrentDay = 0, "
                             "OrvoChatPort = 8123, DigitalClock_Skin = 2, FileToRun = '/opt/x.sh', "
                             "DigitalClock_Opacity = 0.4"));
    BoxAnswerer boxes;
    OrvoWidgets window;
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_width"))->value(), 401);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_height"))->value(), 77);
    QVERIFY(!window.findChild<QCheckBox*>(QStringLiteral("DigitalClockWidget_StaysOnTop"))->isChecked());
    QVERIFY(window.findChild<QCheckBox*>(QStringLiteral("ToDoList_StaysOnTop"))->isChecked());
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_DefaultSectionSize"))->value(), 25);
    auto* sticker = window.findChild<QComboBox*>(QStringLiteral("Sticker_Skin"));
    QCOMPARE(sticker->currentIndex(), 3);
    QCOMPARE(sticker->currentText(), QStringLiteral("Синий стикер"));
    QCOMPARE(sticker->currentData().toString(), QStringLiteral(":/img/stiker3.png"));
    QVERIFY(!window.findChild<QCheckBox*>(QStringLiteral("GoToCurrentToDo"))->isChecked());
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_chat_port"))->value(), 8123);
    auto* skin = window.findChild<QComboBox*>(QStringLiteral("clock_skin"));
    QCOMPARE(skin->currentIndex(), 2);
    QCOMPARE(skin->currentData().toString(), QStringLiteral(":/img/main_skin2.png"));
    QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->text(), QStringLiteral("/opt/x.sh"));
    QCOMPARE(window.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBoxsetOpacity"))->value(), 0.4);
    QVERIFY(boxes.seen.isEmpty());
    // Filling the page wrote nothing back.
    QCOMPARE(data.scalar(QStringLiteral("select ToDoList_StaysOnTop from settings")).toInt(), 1);
}

void TestApp::outOfRangeValuesAreClampedButNotWrittenBack()
{
    TestDataDir data;
    data.arrange(QStringLiteral("UPDATE settings SET DigitalClock_Width = 1200, ToDoList_DefaultSectionSize = 150"));
    OrvoWidgets window;
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_width"))->value(), 999);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_DefaultSectionSize"))->value(), 99);
    QCOMPARE(data.scalar(QStringLiteral("select DigitalClock_Width from settings")).toInt(), 1200);
    QCOMPARE(data.scalar(QStringLiteral("select ToDoList_DefaultSectionSize from settings")).toInt(), 150);
}

void TestApp::failedSettingsReadKeepsTheFormDefaults()
{
    TestDataDir data;
    data.arrange(QStringLiteral("ALTER TABLE settings RENAME COLUMN OrvoChatPort TO SomethingElse"));
    BoxAnswerer boxes;
    OrvoWidgets window;
    bool pageBox = false;
    for (const SeenBox& box : qAsConst(boxes.seen)) {
        if (box.text.contains(QStringLiteral("OrvoChatPort"))) {
            pageBox = true;
            QCOMPARE(box.title, QStringLiteral("Error"));
            QVERIFY(!box.hadParent);
        }
    }
    QVERIFY(pageBox);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_width"))->value(), 350);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_height"))->value(), 50);
    QCOMPARE(window.findChild<QSpinBox*>(QStringLiteral("spinBox_chat_port"))->value(), 7755);
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
