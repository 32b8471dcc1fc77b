// The main window in-process: start-up, the tray toggle and the settings
// load. The tray menu itself and the exit status are shown by the
// end-to-end test on a real tray host.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "calendar/myqtcalendar.h"
#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

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

template <typename T>
T* field(OrvoWidgets& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

}  // namespace

class TestApp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        orvoInitResources();
        qRegisterMetaType<QSystemTrayIcon::ActivationReason>();
    }
    // The clock ends with the process, not with the main window: each test
    // drops its own so the next one finds only its own.
    void cleanup() { delete theClock(); }

    void startShowsOnlyTheClock()
    {
        TestDataDir data;
        BoxAnswerer boxes;
        OrvoWidgets window;
        QVERIFY(theClock() && theClock()->isVisible());
        int visible = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            visible += w->isVisible() && !qobject_cast<QMenu*>(w) ? 1 : 0;
        QCOMPARE(visible, 1);
        QVERIFY(boxes.seen.isEmpty());
    }

    void onlyADoubleClickTogglesTheClock_data()
    {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << true;
        QTest::newRow("single click") << QSystemTrayIcon::Trigger << false;
        QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
        QTest::newRow("context") << QSystemTrayIcon::Context << false;
    }

    void onlyADoubleClickTogglesTheClock()
    {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(bool, toggles);
        TestDataDir data;
        OrvoWidgets window;
        auto activate = [&] {
            return QMetaObject::invokeMethod(&window, "sysTrayActivated", Qt::DirectConnection,
                                             Q_ARG(QSystemTrayIcon::ActivationReason, reason));
        };
        QVERIFY(activate());
        QCOMPARE(theClock()->isVisible(), !toggles);
        QVERIFY(activate());
        QVERIFY(theClock()->isVisible());
    }

    void calendarEntryTogglesTheCalendarThatGoesWithTheWindow()
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

    void settingsPageIsFilledFromTheStoredRow()
    {
        TestDataDir data;
        data.arrange(QStringLiteral(
            "UPDATE settings SET DigitalClock_Width = 401, DigitalClock_Height = 77, "
            "DigitalClockWidget_StaysOnTop = 0, ToDoList_StaysOnTop = 2, ToDoList_DefaultSectionSize = 25, "
            "ToDoList_Skin_Sticker = 3, ToDoGoToCurrentDay = 0, OrvoChatPort = 8123, DigitalClock_Skin = 2, "
            "FileToRun = '/opt/x.sh', DigitalClock_Opacity = 0.4"));
        BoxAnswerer boxes;
        OrvoWidgets window;
        QCOMPARE(field<QSpinBox>(window, "spinBox_width")->value(), 401);
        QCOMPARE(field<QSpinBox>(window, "spinBox_height")->value(), 77);
        QVERIFY(!field<QCheckBox>(window, "DigitalClockWidget_StaysOnTop")->isChecked());
        QVERIFY(field<QCheckBox>(window, "ToDoList_StaysOnTop")->isChecked());
        QCOMPARE(field<QSpinBox>(window, "spinBox_DefaultSectionSize")->value(), 25);
        QCOMPARE(field<QComboBox>(window, "Sticker_Skin")->currentData().toString(), QStringLiteral(":/img/stiker3.png"));
        QVERIFY(!field<QCheckBox>(window, "GoToCurrentToDo")->isChecked());
        QCOMPARE(field<QSpinBox>(window, "spinBox_chat_port")->value(), 8123);
        QCOMPARE(field<QComboBox>(window, "clock_skin")->currentData().toString(), QStringLiteral(":/img/main_skin2.png"));
        QCOMPARE(field<QLineEdit>(window, "lineEdit")->text(), QStringLiteral("/opt/x.sh"));
        QCOMPARE(field<QDoubleSpinBox>(window, "doubleSpinBoxsetOpacity")->value(), 0.4);
        QVERIFY(boxes.seen.isEmpty());
        // Filling the page wrote nothing back.
        QCOMPARE(data.scalar(QStringLiteral("select ToDoList_StaysOnTop from settings")).toInt(), 2);
    }

    void failedSettingsReadLeavesThePageAsBuilt()
    {
        TestDataDir data;
        data.arrange(QStringLiteral("ALTER TABLE settings RENAME COLUMN OrvoChatPort TO SomethingElse"));
        BoxAnswerer boxes;
        OrvoWidgets window;
        const auto page = std::find_if(boxes.seen.cbegin(), boxes.seen.cend(), [](const SeenBox& box) {
            return box.text.contains(QStringLiteral("OrvoChatPort"));
        });
        QVERIFY(page != boxes.seen.cend());
        QCOMPARE(page->title, QStringLiteral("Error"));
        QVERIFY(!page->hadParent);
        QCOMPARE(field<QSpinBox>(window, "spinBox_width")->value(), 350);
        QCOMPARE(field<QSpinBox>(window, "spinBox_chat_port")->value(), 7755);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
