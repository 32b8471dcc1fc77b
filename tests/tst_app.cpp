// The main window in-process: start-up, the tray toggle, the settings
// load and the settings page's controls. The tray menu itself and the exit
// status are shown by the end-to-end test on a real tray host.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "calendar/myqtcalendar.h"
#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSpinBox>
#include <QTextEdit>
#include <QUdpSocket>
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

QWidget* topLevel(const char* className)
{
    const auto windows = QApplication::topLevelWidgets();
    auto found = std::find_if(windows.begin(), windows.end(), [&](QWidget* w) { return w->inherits(className); });
    return found == windows.end() ? nullptr : *found;
}

// The settings page on the screen, filled from the stored row as arranged.
struct Page
{
    explicit Page(const QString& assignments = QStringLiteral("FileToRun = ''"))
        : arranged((data.arrange(QStringLiteral("UPDATE settings SET ") + assignments), true))
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QWidget* field(const QString& name) { return ::field<QWidget>(window, qPrintable(name)); }
    QString stored(const QString& expression) const
    {
        return data.scalar(QStringLiteral("select ") + expression + QStringLiteral(" from settings")).toString();
    }
    QStringList shown() const
    {
        QStringList texts;
        std::transform(boxes.seen.begin(), boxes.seen.end(), std::back_inserter(texts), [](auto& b) { return b.text; });
        return texts;
    }

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
    void controlStoresAndApplies_data()
    {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");  // 0: a click
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("was");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString size = QStringLiteral("DigitalClock_Width || 'x' || DigitalClock_Height");
        const int up = Qt::Key_Up, down = Qt::Key_Down;
        QTest::newRow("width 350 to 351") << "DigitalClock_Width = 350, DigitalClock_Height = 60" << "spinBox_width"
                                          << up << 1 << size << "350x60" << "351x60" << "";
        QTest::newRow("a stored 1200 shows 999 until changed")
            << "DigitalClock_Width = 1200, DigitalClock_Height = 60" << "spinBox_height" << up << 1 << size
            << "1200x60" << "999x61" << "";
        QTest::newRow("Синий стикер") << "ToDoList_Skin_Sticker = 0" << "Sticker_Skin" << down << 3
                                      << "ToDoList_Skin_Sticker" << "0" << "3" << "";
        QTest::newRow("Скин 3") << "DigitalClock_Skin = 0" << "clock_skin" << down << 2 << "DigitalClock_Skin" << "0"
                                << "2" << "";
        QTest::newRow("opacity 1.0 down to 0.5") << "DigitalClock_Opacity = 1" << "doubleSpinBoxsetOpacity" << down
                                                 << 5 << "round(DigitalClock_Opacity, 9)" << "1" << "0.5" << "";
        QTest::newRow("follow today on") << "ToDoGoToCurrentDay = 0" << "GoToCurrentToDo" << 0 << 1
                                         << "ToDoGoToCurrentDay" << "0" << "2"
                                         << "В данном режиме программа автоматически будет переходить на задачи "
                                            "текущего дня.";
        QTest::newRow("follow today off, silently") << "ToDoGoToCurrentDay = 2" << "GoToCurrentToDo" << 0 << 1
                                                    << "ToDoGoToCurrentDay" << "2" << "0" << "";
    }

    void controlStoresAndApplies()
    {
        QFETCH(QString, arrange);
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(int, presses);
        QFETCH(QString, column);
        QFETCH(QString, was);
        QFETCH(QString, value);
        QFETCH(QString, message);
        Page page(arrange);
        // Filling the page wrote nothing; each step then writes its value.
        QString last = page.stored(column);
        QCOMPARE(last, was);
        for (int press = 0; press < presses; ++press) {
            if (key)
                QTest::keyClick(page.field(control), Qt::Key(key));
            else
                QTest::mouseClick(page.field(control), Qt::LeftButton);
            QVERIFY(page.stored(column) != last);
            last = page.stored(column);
        }
        QCOMPARE(last, value);
        QCOMPARE(page.shown(), message.isEmpty() ? QStringList() : QStringList{message});
        if (column.contains(QLatin1String("Width")))
            QCOMPARE(QStringLiteral("%1x%2").arg(theClock()->width()).arg(theClock()->height()), value);
        // The gadget paints the chosen entry's picture, stretched to its size.
        if (auto* list = qobject_cast<QComboBox*>(page.field(control))) {
            QWidget* gadget = control == QLatin1String("clock_skin") ? theClock() : topLevel("ToDoList");
            QImage painted(gadget->size(), QImage::Format_ARGB32_Premultiplied);
            gadget->render(&painted, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            const QPoint probe(gadget->width() / 2, gadget->height() / 2);
            QCOMPARE(painted.pixelColor(probe), QImage(list->currentData().toString())
                                                    .scaled(gadget->size(), Qt::IgnoreAspectRatio,
                                                            Qt::SmoothTransformation)
                                                    .pixelColor(probe));
        }
    }

    void staysOnTopStoresAndEndsTheProgram_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("clock") << "DigitalClockWidget_StaysOnTop";
        QTest::newRow("sticker") << "ToDoList_StaysOnTop";
    }

    void staysOnTopStoresAndEndsTheProgram()
    {
        QFETCH(QString, box);
        Page page(box + QStringLiteral(" = 0"));
        QWidget* gadget = box.startsWith(QLatin1String("Digital")) ? theClock() : topLevel("ToDoList");
        // The handler ends the application's event loop: run one, which
        // gives up by itself if it is not ended.
        QTimer::singleShot(0, [&] { QTest::mouseClick(page.field(box), Qt::LeftButton); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(page.stored(box), QStringLiteral("2"));
        QVERIFY(gadget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(page.shown(), QStringList{QStringLiteral("Для применения настроек перезайдите в программу!")});
        const SeenBox& shown = page.boxes.seen[0];
        QVERIFY(shown.title.isEmpty() && shown.icon == QMessageBox::NoIcon && !shown.hadParent);
        QCOMPARE(shown.buttons, QStringList{QStringLiteral("OK")});
    }

    void fontDialogStartsFromTheLastChoice()
    {
        Page page(QStringLiteral("ToDoList_Font = '%1'").arg(QFont(QStringLiteral("DejaVu Sans"), 11).toString()));
        const QStringList choices{QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans Mono")};
        QStringList offered;
        page.boxes.onDialog([&](QDialog* dialog) {
            auto* fonts = qobject_cast<QFontDialog*>(dialog);
            offered << fonts->currentFont().family();
            fonts->setCurrentFont(QFont(choices.value(offered.size() - 1), 14));
            dialog->accept();
        });
        for (const QString& family : choices) {
            QTest::mouseClick(page.field(QStringLiteral("ToDoListFont")), Qt::LeftButton);
            QFont stored;
            QVERIFY(stored.fromString(page.stored(QStringLiteral("ToDoList_Font"))));
            QCOMPARE(stored.family(), family);
        }
        QCOMPARE(offered, (QStringList{QStringLiteral("DejaVu Sans"), choices[0]}));
    }

    void fileToRunAndAFailedWrite()
    {
        Page page;
        QTest::keyClicks(page.field(QStringLiteral("lineEdit")), QStringLiteral("/opt/tool.sh"));
        QCOMPARE(page.stored(QStringLiteral("FileToRun")), QString());
        QTest::mouseClick(page.field(QStringLiteral("toolButton_2")), Qt::LeftButton);
        QCOMPARE(page.stored(QStringLiteral("FileToRun")), QStringLiteral("/opt/tool.sh"));

        // Programs here seldom have an extension: the dialog offers them too.
        QTemporaryDir dir;
        const QString tool = dir.filePath(QStringLiteral("backup"));
        QVERIFY(QFile(tool).open(QIODevice::WriteOnly));
        QStringList offered;
        page.boxes.onDialog([&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->setDirectory(dir.path());
            auto* list = files->findChild<QListView*>(QStringLiteral("listView"));
            (void)QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 3000);
            offered << files->windowTitle() << list->model()->index(0, 0, list->rootIndex()).data().toString();
            files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(tool);
            dialog->accept();
        });
        QTest::mouseClick(page.field(QStringLiteral("toolButton")), Qt::LeftButton);
        QCOMPARE(offered, (QStringList{QStringLiteral("Выберите файл"), QStringLiteral("backup")}));
        QCOMPARE(page.stored(QStringLiteral("FileToRun")), tool);
        QCOMPARE(field<QLineEdit>(page.window, "lineEdit")->text(), tool);

        page.data.exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE UPDATE ON settings BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QTest::mouseClick(page.field(QStringLiteral("toolButton_2")), Qt::LeftButton);
        QCOMPARE(page.boxes.seen.size(), 1);
        QCOMPARE(page.boxes.seen[0].title, QStringLiteral("Error"));
        QVERIFY(page.boxes.seen[0].text.contains(QStringLiteral("refused")));
        QCOMPARE(page.boxes.seen[0].parent.data(), &page.window);
    }

    void chatPortChangeRebinds()
    {
        QUdpSocket probe;  // a port free now; loopback only
        QVERIFY(probe.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const int port = probe.localPort();
        probe.close();
        Page page(QStringLiteral("OrvoChatPort = %1").arg(port - 1));
        QTest::keyClick(page.field(QStringLiteral("spinBox_chat_port")), Qt::Key_Up);
        QCOMPARE(page.stored(QStringLiteral("OrvoChatPort")).toInt(), port);
        QUdpSocket().writeDatagram("on the new port", QHostAddress(QHostAddress::LocalHost), quint16(port));
        auto* conversation = topLevel("OrvoChat")->findChild<QTextEdit*>(QStringLiteral("chatEdit"));
        QTRY_VERIFY(conversation->toPlainText().contains(QStringLiteral("on the new port")));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
