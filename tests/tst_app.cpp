// The main window in-process: start-up, the tray toggle, the settings
// load and every control of the settings page. The tray menu itself and the
// exit status are shown by the end-to-end test on a real tray host.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "calendar/myqtcalendar.h"
#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
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

QWidget* theSticker()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (w->inherits("ToDoList"))
            return w;
    }
    return nullptr;
}

// The settings page on the screen, filled from a stored row.
struct Page
{
    explicit Page(const QString& assignments = {})
        : arranged(arrange(assignments))
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("the settings page was not exposed");
    }
    template <typename T = QWidget>
    T* field(const char* name)
    {
        return ::field<T>(window, name);
    }
    bool arrange(const QString& assignments)
    {
        if (!assignments.isEmpty())
            data.arrange(QStringLiteral("UPDATE settings SET ") + assignments);
        return true;
    }
    QVariant stored(const QString& column) const
    {
        return data.scalar(QStringLiteral("select ") + column + QStringLiteral(" from settings"));
    }
    void click(const char* name) { QTest::mouseClick(field(name), Qt::LeftButton); }

    TestDataDir data;
    bool arranged;  // before the page reads the row
    BoxAnswerer boxes;
    OrvoWidgets window;
};

// What a font or colour dialog shows, in a form that survives the dialog's
// own resolution of the font.
QString dialogValue(QDialog* dialog)
{
    if (auto* fonts = qobject_cast<QFontDialog*>(dialog))
        return QStringLiteral("%1 %2").arg(fonts->currentFont().family()).arg(fonts->currentFont().pointSize());
    return qobject_cast<QColorDialog*>(dialog)->currentColor().name();
}

QString storedValue(const QString& text)
{
    QFont font;
    if (text.startsWith(QLatin1Char('#')) || !font.fromString(text))
        return text;
    return QStringLiteral("%1 %2").arg(font.family()).arg(font.pointSize());
}

QColor pixel(QWidget* widget, QPoint at)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image.pixelColor(at);
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
    void sizeFields_data()
    {
        QTest::addColumn<int>("storedWidth");
        QTest::addColumn<int>("shownWidth");
        QTest::addColumn<QString>("stepped");
        QTest::addColumn<QSize>("size");
        QTest::newRow("width 350 to 351") << 350 << 350 << "spinBox_width" << QSize(351, 60);
        QTest::newRow("stored 1200 shows 999") << 1200 << 999 << "spinBox_height" << QSize(999, 61);
    }

    void sizeFields()
    {
        QFETCH(int, storedWidth);
        QFETCH(int, shownWidth);
        QFETCH(QString, stepped);
        QFETCH(QSize, size);
        Page page(QStringLiteral("DigitalClock_Width = %1, DigitalClock_Height = 60").arg(storedWidth));
        QCOMPARE(page.field<QSpinBox>("spinBox_width")->value(), shownWidth);
        const QString both = QStringLiteral("DigitalClock_Width || 'x' || DigitalClock_Height");
        QCOMPARE(page.stored(both).toString(), QStringLiteral("%1x60").arg(storedWidth));
        // Both sides are written, whatever the row holds by then.
        page.data.exec(QStringLiteral("UPDATE settings SET DigitalClock_Height = 1"));
        QTest::keyClick(page.field(qPrintable(stepped)), Qt::Key_Up);
        QCOMPARE(theClock()->size(), size);
        QCOMPARE(page.stored(both).toString(), QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
        QVERIFY(page.boxes.seen.isEmpty());
    }

    void skinLists_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("image");
        QTest::newRow("Синий стикер") << "Sticker_Skin" << 3 << "ToDoList_Skin_Sticker" << ":/img/stiker3.png";
        QTest::newRow("Скин 3") << "clock_skin" << 2 << "DigitalClock_Skin" << ":/img/main_skin2.png";
    }

    void skinLists()
    {
        QFETCH(QString, list);
        QFETCH(int, index);
        QFETCH(QString, column);
        QFETCH(QString, image);
        Page page(QStringLiteral("ToDoList_Skin_Sticker = 0, DigitalClock_Skin = 0"));
        auto* combo = page.field<QComboBox>(qPrintable(list));
        for (int step = 0; step < index; ++step)
            QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentIndex(), index);
        QCOMPARE(page.stored(column).toInt(), index);
        // The gadget paints the chosen picture, stretched to its size.
        QWidget* gadget = list == QLatin1String("clock_skin") ? theClock() : theSticker();
        const QPoint probe(gadget->width() / 2, gadget->height() - 3);
        const QImage expected =
            QImage(image).scaled(gadget->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(pixel(gadget, probe), expected.pixelColor(probe));
    }

    void opacityStoresEveryStep()
    {
        Page page(QStringLiteral("DigitalClock_Opacity = 1.0"));
        auto* opacity = page.field<QDoubleSpinBox>("doubleSpinBoxsetOpacity");
        for (double expected : {0.9, 0.8, 0.7, 0.6, 0.5}) {
            QTest::keyClick(opacity, Qt::Key_Down);
            QCOMPARE(page.stored(QStringLiteral("DigitalClock_Opacity")).toDouble(), expected);
        }
    }

    void fileToRun()
    {
        Page page(QStringLiteral("FileToRun = '/old/notes.txt'"));
        auto* line = page.field<QLineEdit>("lineEdit");
        line->clear();
        QTest::keyClicks(line, QStringLiteral("/opt/tool.sh"));
        QCOMPARE(page.stored(QStringLiteral("FileToRun")).toString(), QStringLiteral("/old/notes.txt"));
        page.click("toolButton_2");
        QCOMPARE(page.stored(QStringLiteral("FileToRun")).toString(), QStringLiteral("/opt/tool.sh"));

        // Programs here seldom have an extension: the dialog offers them too.
        QTemporaryDir dir;
        const QString tool = dir.filePath(QStringLiteral("backup"));
        QVERIFY(QFile(tool).open(QIODevice::WriteOnly));
        QString title;
        QStringList offered;
        bool accept = false;
        page.boxes.onDialog([&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            title = files->windowTitle();
            files->setDirectory(dir.path());
            auto* list = files->findChild<QListView*>(QStringLiteral("listView"));
            (void)QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 3000);
            offered.clear();
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                offered << list->model()->index(row, 0, list->rootIndex()).data().toString();
            if (!accept)
                return dialog->reject();
            files->selectFile(tool);
            static_cast<QDialog*>(files)->accept();
        });
        page.click("toolButton");
        QCOMPARE(title, QStringLiteral("Выберите файл"));
        QCOMPARE(offered, QStringList{QStringLiteral("backup")});
        QCOMPARE(line->text(), QStringLiteral("/opt/tool.sh"));
        accept = true;
        page.click("toolButton");
        QCOMPARE(page.stored(QStringLiteral("FileToRun")).toString(), tool);
        QCOMPARE(line->text(), tool);
    }

    void followToday_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("on") << 0 << 2
                            << QStringList{QStringLiteral("В данном режиме программа автоматически будет переходить "
                                                          "на задачи текущего дня.")};
        QTest::newRow("off, silently") << 2 << 0 << QStringList();
    }

    void followToday()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QStringList, messages);
        Page page(QStringLiteral("ToDoGoToCurrentDay = %1").arg(before));
        page.click("GoToCurrentToDo");
        QCOMPARE(page.stored(QStringLiteral("ToDoGoToCurrentDay")).toInt(), after);
        QStringList shown;
        for (const SeenBox& box : qAsConst(page.boxes.seen))
            shown << box.text;
        QCOMPARE(shown, messages);
    }

    void staysOnTopNeedsARestart_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("clock on") << "DigitalClockWidget_StaysOnTop" << "DigitalClockWidget_StaysOnTop" << 0 << 2;
        QTest::newRow("clock off") << "DigitalClockWidget_StaysOnTop" << "DigitalClockWidget_StaysOnTop" << 2 << 0;
        QTest::newRow("sticker on") << "ToDoList_StaysOnTop" << "ToDoList_StaysOnTop" << 0 << 2;
    }

    void staysOnTopNeedsARestart()
    {
        QFETCH(QString, box);
        QFETCH(QString, column);
        QFETCH(int, before);
        QFETCH(int, after);
        Page page(QStringLiteral("%1 = %2").arg(column).arg(before));
        QWidget* gadget = box.startsWith(QLatin1String("Digital")) ? theClock() : theSticker();
        // The handler ends the application's event loop: it runs inside one,
        // which gives up after a while if it is not ended.
        QTimer::singleShot(0, [&] { page.click(qPrintable(box)); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(page.stored(column).toInt(), after);
        QCOMPARE(gadget->windowFlags().testFlag(Qt::WindowStaysOnTopHint), after != 0);
        QCOMPARE(page.boxes.seen.size(), 1);
        const SeenBox& shown = page.boxes.seen[0];
        QCOMPARE(shown.text, QStringLiteral("Для применения настроек перезайдите в программу!"));
        QCOMPARE(shown.title, QString());
        QCOMPARE(shown.icon, QMessageBox::NoIcon);
        QCOMPARE(shown.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(!shown.hadParent);
    }

    void stickerDialogs_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<bool>("seedFollows");
        QTest::newRow("font: the next dialog starts from the last choice")
            << "ToDoListFont" << "ToDoList_Font"
            << QStringList{QFont(QStringLiteral("DejaVu Serif"), 14).toString(),
                           QFont(QStringLiteral("DejaVu Sans Mono"), 9).toString()}
            << true;
        QTest::newRow("colour: every dialog starts from the start-up colour")
            << "ToDoListColor" << "ToDoList_TextColor" << QStringList{"#c04020", "#102080"} << false;
    }

    void stickerDialogs()
    {
        QFETCH(QString, button);
        QFETCH(QString, column);
        QFETCH(QStringList, choices);
        QFETCH(bool, seedFollows);
        const QString startFont = QFont(QStringLiteral("DejaVu Sans"), 11).toString();
        Page page(QStringLiteral("ToDoList_Font = '%1', ToDoList_TextColor = '#123456'").arg(startFont));
        const QString start = storedValue(page.stored(column).toString());
        QStringList offered, chosen;
        page.boxes.onDialog([&](QDialog* dialog) {
            offered << dialogValue(dialog);
            const QString choice = choices.at(chosen.size());
            if (auto* fonts = qobject_cast<QFontDialog*>(dialog)) {
                QFont font;
                font.fromString(choice);
                fonts->setCurrentFont(font);
            } else {
                qobject_cast<QColorDialog*>(dialog)->setCurrentColor(QColor(choice));
            }
            chosen << dialogValue(dialog);
            dialog->accept();
        });
        for (int change = 0; change < 2; ++change) {
            page.click(qPrintable(button));
            QCOMPARE(storedValue(page.stored(column).toString()), chosen.value(change));
        }
        QCOMPARE(offered, (QStringList{start, seedFollows ? chosen[0] : start}));
        QVERIFY(theSticker()->isVisible());
    }

    void failedWriteShowsError_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("overThePage");
        QTest::newRow("clock width, over the clock") << "spinBox_width" << false;
        QTest::newRow("typed path, over the page") << "toolButton_2" << true;
    }

    void failedWriteShowsError()
    {
        QFETCH(QString, control);
        QFETCH(bool, overThePage);
        Page page;
        page.data.exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE UPDATE ON settings BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        if (control == QLatin1String("spinBox_width"))
            QTest::keyClick(page.field(qPrintable(control)), Qt::Key_Up);
        else
            page.click(qPrintable(control));
        QCOMPARE(page.boxes.seen.size(), 1);
        QCOMPARE(page.boxes.seen[0].title, QStringLiteral("Error"));
        QVERIFY(page.boxes.seen[0].text.contains(QStringLiteral("refused")));
        QCOMPARE(page.boxes.seen[0].parent.data(), overThePage ? static_cast<QWidget*>(&page.window) : theClock());
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
