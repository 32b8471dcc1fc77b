#include "boxanswerer.h"
#include "testdatadir.h"

#include "clock/digitalclockwidget.h"
#include "platform/fakeplatform.h"

#include <QDesktopServices>
#include <QLCDNumber>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

struct Sample
{
    bool ok;
    qint64 idle, kernel, user;
    int load;  // the bar after this tick; -1 when not checked
};
using Samples = QVector<Sample>;

const QString kWorkday = QStringLiteral("background-color: rgb(0, 85, 0);");
const QString kWeekend = QStringLiteral("background-color: rgb(170, 0, 0);");
const QString kToday = QStringLiteral("background-color: rgb(0, 170, 0);");

// A provisioned database, a box answerer and the fake system the clock sees.
struct Fixture
{
    Fixture()
    {
        data.open();
        Platform::setInstance(&system);
    }
    ~Fixture() { Platform::setInstance(nullptr); }
    void store(const QString& assignments) { data.exec(QStringLiteral("UPDATE settings SET ") + assignments); }

    TestDataDir data;
    BoxAnswerer boxes;
    FakePlatform system;
};

void tick(QWidget& clock)
{
    QTimerEvent event(0);
    QCoreApplication::sendEvent(&clock, &event);
}

template <typename T = QWidget>
T* child(QWidget& clock, const QString& name)
{
    T* widget = clock.findChild<T*>(name);
    if (!widget)
        qFatal("the clock has no %s", qPrintable(name));
    return widget;
}

bool showAndWait(QWidget& clock)
{
    clock.show();
    return QTest::qWaitForWindowExposed(&clock);
}

QImage render(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A skin with a differently coloured quarter in each corner.
QString writeQuarteredSkin(const QTemporaryDir& dir)
{
    QImage image(300, 300, QImage::Format_ARGB32);
    const QColor quarters[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            image.setPixelColor(x, y, quarters[x / 150 + 2 * (y / 150)]);
    const QString path = dir.filePath(QStringLiteral("skin.png"));
    image.save(path);
    return path;
}

void sendMouse(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, target->mapFromGlobal(global), target->window()->mapFromGlobal(global), global, button,
                      held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

Q_DECLARE_METATYPE(Samples)

class TestClock : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl& url) { openedUrls.append(url); }

private slots:
    void windowFromSettings_data();
    void windowFromSettings();
    void timeAndDate_data();
    void timeAndDate();
    void processorLoad_data();
    void processorLoad();
    void tickOrderAndMemory();
    void weekdayButtons_data();
    void weekdayButtons();
    void drag_data();
    void drag();
    void skinOpacity_data();
    void skinOpacity();
    void skinFillsAfterResize_data();
    void skinFillsAfterResize();
    void buttonsOpenStickerAndFile();
    void failedWritesReportOverClock_data();
    void failedWritesReportOverClock();

private:
    QList<QUrl> openedUrls;
};

void TestClock::windowFromSettings_data()
{
    QTest::addColumn<int>("onTop");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("sheet");

    QTest::newRow("not on top") << 0 << "#102030" << 0x80b << "color: rgb(16,32,48);";
    QTest::newRow("partly checked is on top") << 1 << "#ffffff" << 0x4080b << "color: rgb(255,255,255);";
    QTest::newRow("on top, no colour") << 2 << "" << 0x4080b << "color: rgb(0,0,0);";
}

void TestClock::windowFromSettings()
{
    QFETCH(int, onTop);
    QFETCH(QString, colour);
    QFETCH(int, flags);
    QFETCH(QString, sheet);

    Fixture f;
    f.store(QStringLiteral("DigitalClockWidget_StaysOnTop = %1, Clock_TextColor = '%2', DigitalClock_Width = 333, "
                           "DigitalClock_Height = 77, DigitalClock_Pos_x = 12, DigitalClock_Pos_y = 34")
                .arg(onTop)
                .arg(colour));
    DigitalClockWidget clock;
    QCOMPARE(int(clock.windowFlags()), flags);
    QVERIFY(clock.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(clock.geometry(), QRect(12, 34, 333, 77));
    for (const char* name : {"month_label", "lcdclock", "ram_label", "cpu_label"})
        QCOMPARE(child(clock, QLatin1String(name))->styleSheet(), sheet);
    // Until the first tick.
    QCOMPARE(child<QLabel>(clock, "month_label")->text(), QStringLiteral("Load"));
    QCOMPARE(child<QToolButton>(clock, "lang_label")->text(), QStringLiteral("RU"));
    QCOMPARE(child<QProgressBar>(clock, "ram_progress")->value(), 24);
    QCOMPARE(child<QProgressBar>(clock, "cpu_progress")->value(), 24);
    QVERIFY(f.boxes.seen.isEmpty());
}

void TestClock::timeAndDate_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("day");

    QTest::newRow("just after midnight") << QDateTime(QDate(2024, 3, 5), QTime(0, 5, 59)) << "00:05" << "05, ";
    QTest::newRow("one-digit hour and minute") << QDateTime(QDate(2024, 11, 9), QTime(9, 7)) << "09:07" << "09, ";
    QTest::newRow("last minute") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 30)) << "23:59" << "31, ";
}

void TestClock::timeAndDate()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, time);
    QFETCH(QString, day);

    Fixture f;
    f.system.now = now;
    DigitalClockWidget clock;
    QVERIFY(showAndWait(clock));
    tick(clock);
    // The display keeps no text: compare it with one showing the expected text.
    auto* lcd = child<QLCDNumber>(clock, "lcdclock");
    QLCDNumber expected(6);
    expected.setFrameShape(QFrame::NoFrame);
    expected.setSegmentStyle(QLCDNumber::Flat);
    expected.setStyleSheet(lcd->styleSheet());
    expected.resize(lcd->size());
    expected.display(time);
    QCOMPARE(render(lcd), render(&expected));
    QCOMPARE(child<QLabel>(clock, "month_label")->text(),
             day + QLocale::system().monthName(now.date().month(), QLocale::LongFormat));
}

void TestClock::processorLoad_data()
{
    QTest::addColumn<Samples>("samples");

    // The first tick sets the baseline: earlier clocks of this process left
    // their own previous sample behind.
    const Sample base{true, 1000, 5000, 3000, -1};
    QTest::newRow("busy") << Samples{base, {true, 1300, 5600, 3400, 70}};
    QTest::newRow("truncating division") << Samples{base, {true, 1001, 5002, 3001, 66}};
    QTest::newRow("idle only") << Samples{base, {true, 1500, 5500, 3000, 0}};
    QTest::newRow("nothing elapsed") << Samples{base, {true, 1300, 5600, 3400, 70}, {true, 1300, 5600, 3400, 0}};
    QTest::newRow("failed sample, then both intervals")
        << Samples{base, {true, 1300, 5600, 3400, 70}, {false, 0, 0, 0, 0}, {true, 1800, 6600, 4400, 75}};
    QTest::newRow("beyond 32 bits") << Samples{{true, 1000000000000, 2000000000000, 1000000000000, -1},
                                               {true, 2000000000000, 6000000000000, 2000000000000, 80}};
}

void TestClock::processorLoad()
{
    QFETCH(Samples, samples);

    Fixture f;
    DigitalClockWidget clock;
    for (const Sample& s : samples) {
        f.system.timesOk = s.ok;
        f.system.idle = s.idle;
        f.system.kernel = s.kernel;
        f.system.user = s.user;
        tick(clock);
        if (s.load >= 0)
            QCOMPARE(child<QProgressBar>(clock, "cpu_progress")->value(), s.load);
    }
}

void TestClock::tickOrderAndMemory()
{
    Fixture f;
    f.system.memory = 37;
    f.system.layout = QStringLiteral("DEU");
    DigitalClockWidget clock;
    f.system.calls.clear();
    tick(clock);
    // The pause stands right before the processor sample.
    QCOMPARE(f.system.calls, (QStringList{"now", "sleep 10", "times", "memory", "layout"}));
    QCOMPARE(child<QProgressBar>(clock, "ram_progress")->value(), 37);
    QCOMPARE(child<QToolButton>(clock, "lang_label")->text(), QStringLiteral("DEU"));

    f.system.memoryOk = false;
    f.system.layout.clear();
    tick(clock);
    QCOMPARE(child<QProgressBar>(clock, "ram_progress")->value(), 37);
    QCOMPARE(child<QToolButton>(clock, "lang_label")->text(), QString());
}

void TestClock::weekdayButtons_data()
{
    QTest::addColumn<QDate>("built");
    QTest::addColumn<QDate>("ticked");
    QTest::addColumn<QString>("tampered");  // a button whose sheet is changed behind the clock's back
    QTest::addColumn<QStringList>("sheets");

    const QDate sunday(2024, 1, 7), monday(2024, 1, 8), wednesday(2024, 1, 10);
    const QStringList mondayFresh{kToday, kWorkday, kWorkday, kWorkday, kWorkday, kWeekend, kWeekend};
    QTest::newRow("sunday to monday") << sunday << monday << QString() << mondayFresh;
    QTest::newRow("rollover resets every button") << sunday << monday << "day_4" << mondayFresh;
    QTest::newRow("same day leaves the others") << wednesday << wednesday << "day_4"
                                                << QStringList{kWorkday, kWorkday, kToday, "x", kWorkday, kWeekend, kWeekend};
    QTest::newRow("today highlighted on every tick") << wednesday << wednesday << "day_3"
                                                     << QStringList{kWorkday, kWorkday, kToday, kWorkday, kWorkday, kWeekend, kWeekend};
}

void TestClock::weekdayButtons()
{
    QFETCH(QDate, built);
    QFETCH(QDate, ticked);
    QFETCH(QString, tampered);
    QFETCH(QStringList, sheets);

    Fixture f;
    f.system.now = QDateTime(built, QTime(23, 59));
    DigitalClockWidget clock;
    tick(clock);
    if (!tampered.isEmpty())
        child(clock, tampered)->setStyleSheet(QStringLiteral("x"));
    f.system.now = QDateTime(ticked, QTime(0, 0));
    tick(clock);
    QStringList actual;
    for (int n = 1; n <= 7; ++n)
        actual << child(clock, QStringLiteral("day_%1").arg(n))->styleSheet();
    QCOMPARE(actual, sheets);
    QCOMPARE(child(clock, "lang_label")->styleSheet(), QStringLiteral("color: rgb(0, 0, 0);"));
}

void TestClock::drag_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<bool>("moves");

    QTest::newRow("left drag") << int(Qt::LeftButton) << QPoint(30, -20) << true;
    QTest::newRow("left click") << int(Qt::LeftButton) << QPoint(0, 0) << true;
    QTest::newRow("right drag") << int(Qt::RightButton) << QPoint(30, 20) << false;
}

void TestClock::drag()
{
    QFETCH(int, button);
    QFETCH(QPoint, delta);
    QFETCH(bool, moves);

    Fixture f;
    f.store(QStringLiteral("DigitalClock_Pos_x = 100, DigitalClock_Pos_y = 50"));
    DigitalClockWidget clock;
    QVERIFY(showAndWait(clock));
    QCOMPARE(clock.pos(), QPoint(100, 50));
    // The release must store the position, whatever is stored now.
    f.store(QStringLiteral("DigitalClock_Pos_x = -1, DigitalClock_Pos_y = -1"));

    // Presses on a label reach the clock through the usual propagation.
    auto* label = child(clock, "month_label");
    const auto b = Qt::MouseButton(button);
    const QPoint grip = label->mapToGlobal(QPoint(5, 5));
    sendMouse(label, QEvent::MouseButtonPress, grip, b, b);
    sendMouse(label, QEvent::MouseMove, grip + delta / 2, Qt::NoButton, b);
    sendMouse(label, QEvent::MouseMove, grip + delta, Qt::NoButton, b);
    sendMouse(label, QEvent::MouseButtonRelease, grip + delta, b, Qt::NoButton);

    const QPoint expected = moves ? QPoint(100, 50) + delta : QPoint(100, 50);
    QCOMPARE(clock.pos(), expected);
    QCOMPARE(QPoint(f.data.scalar(QStringLiteral("select DigitalClock_Pos_x from settings")).toInt(),
                    f.data.scalar(QStringLiteral("select DigitalClock_Pos_y from settings")).toInt()),
             expected);
    QCOMPARE(clock.cursor().shape(), Qt::ClosedHandCursor);
}

void TestClock::skinOpacity_data()
{
    QTest::addColumn<double>("opacity");
    QTest::addColumn<int>("alpha");

    QTest::newRow("hidden") << 0.0 << 0;
    QTest::newRow("half") << 0.5 << 128;
    QTest::newRow("full") << 1.0 << 255;
}

void TestClock::skinOpacity()
{
    QFETCH(double, opacity);
    QFETCH(int, alpha);

    Fixture f;
    QTemporaryDir dir;
    DigitalClockWidget clock;
    QVERIFY(showAndWait(clock));
    clock.set_skin(writeQuarteredSkin(dir));
    clock.set_opacity(opacity);
    QCOMPARE(f.data.scalar(QStringLiteral("select DigitalClock_Opacity from settings")).toDouble(), opacity);

    const QImage image = render(&clock);
    // The margin shows only the skin, at the chosen opacity...
    QVERIFY(qAbs(image.pixelColor(1, 1).alpha() - alpha) <= 1);
    if (alpha > 0)
        QCOMPARE(image.pixelColor(1, 1).red(), 255);
    // ...while the children are drawn as they are, fully opaque.
    QWidget* day = child(clock, "day_6");
    QCOMPARE(image.pixelColor(day->geometry().center()).alpha(), 255);
    QCOMPARE(image.pixelColor(day->geometry().center()), render(day).pixelColor(day->rect().center()));
}

void TestClock::skinFillsAfterResize_data()
{
    QTest::addColumn<QSize>("before");
    QTest::addColumn<QSize>("after");

    QTest::newRow("grown") << QSize(360, 90) << QSize(520, 200);
    QTest::newRow("shrunk to another shape") << QSize(500, 300) << QSize(330, 100);
}

void TestClock::skinFillsAfterResize()
{
    QFETCH(QSize, before);
    QFETCH(QSize, after);

    Fixture f;
    QTemporaryDir dir;
    f.store(QStringLiteral("DigitalClock_Width = %1, DigitalClock_Height = %2").arg(before.width()).arg(before.height()));
    DigitalClockWidget clock;
    QVERIFY(showAndWait(clock));
    clock.set_skin(writeQuarteredSkin(dir));
    clock.resize(after);
    QCOMPARE(clock.size(), after);

    // Stretched without keeping the aspect, each quarter of the skin covers
    // a quarter of the window: probed in the 3-pixel margin.
    const QImage image = render(&clock);
    const int w = after.width(), h = after.height();
    const QPoint points[] = {{1, 1}, {w / 2 - 4, 1}, {w / 2 + 4, 1}, {w - 2, 1}, {1, h / 2 + 4}, {1, h - 2}, {w - 2, h - 2}};
    const QColor colours[] = {Qt::red, Qt::red, Qt::green, Qt::green, Qt::blue, Qt::blue, Qt::yellow};
    for (int i = 0; i < 7; ++i)
        QVERIFY2(image.pixelColor(points[i]) == colours[i], qPrintable(QString::number(i)));
}

void TestClock::buttonsOpenStickerAndFile()
{
    Fixture f;
    for (int n = 1; n <= 7; ++n)
        f.data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, 'task %1', 0)").arg(n));
    f.store(QStringLiteral("FileToRun = '/tmp/some notes.txt'"));
    DigitalClockWidget clock;
    QVERIFY(showAndWait(clock));
    QWidget* sticker = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        sticker = w->inherits("ToDoList") ? w : sticker;
    QVERIFY(sticker && !sticker->isVisible());
    auto* table = sticker->findChild<QTableWidget*>(QStringLiteral("notesWidget"));
    for (int n : {3, 7, 1}) {
        QTest::mouseClick(child(clock, QStringLiteral("day_%1").arg(n)), Qt::LeftButton);
        QVERIFY(sticker->isVisible());
        QStringList tasks;
        for (int row = 0; row < table->rowCount(); ++row)
            tasks << (table->item(row, 1) ? table->item(row, 1)->text() : QString());
        QCOMPARE(tasks, QStringList{QStringLiteral("task %1").arg(n)});
    }

    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    QTest::mouseClick(child(clock, "lang_label"), Qt::LeftButton);
    f.store(QStringLiteral("FileToRun = ''"));
    QTest::mouseClick(child(clock, "lang_label"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/some notes.txt"))});
}

void TestClock::failedWritesReportOverClock_data()
{
    QTest::addColumn<QString>("operation");
    for (const char* name : {"save_pos", "save_skin", "set_opacity", "save_size"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestClock::failedWritesReportOverClock()
{
    QFETCH(QString, operation);

    Fixture f;
    DigitalClockWidget clock;
    f.data.exec(QStringLiteral("ALTER TABLE settings RENAME TO settings_elsewhere"));
    if (operation == "save_pos")
        clock.save_pos(5, -7);
    else if (operation == "save_skin")
        clock.save_skin(3);
    else if (operation == "set_opacity")
        clock.set_opacity(0.25);
    else
        clock.save_size(400, 77);
    QCOMPARE(f.boxes.seen.size(), 1);
    QCOMPARE(f.boxes.seen.first().title, QStringLiteral("Error"));
    QVERIFY(f.boxes.seen.first().text.contains(QLatin1String("settings")));
    QCOMPARE(f.boxes.seen.first().parent.data(), &clock);
}

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
