#include "boxanswerer.h"
#include "testdatadir.h"

#include "clock/digitalclockwidget.h"
#include "platform/fakeplatform.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QGridLayout>
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

    TestDataDir data;
    BoxAnswerer boxes;
    FakePlatform system;
};

void tick(QWidget& clock)
{
    QTimerEvent event(0);
    QCoreApplication::sendEvent(&clock, &event);
}

template <typename T>
T* child(QWidget& clock, const char* name)
{
    T* widget = clock.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("the clock has no %s", name);
    return widget;
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
    for (int q = 0; q < 4; ++q) {
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 150; ++x)
                image.setPixelColor(x + 150 * (q % 2), y + 150 * (q / 2), quarters[q]);
    }
    const QString path = dir.filePath(QStringLiteral("skin.png"));
    image.save(path);
    return path;
}

void sendMouse(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPoint local = target->mapFromGlobal(global);
    QMouseEvent event(type, local, target->window()->mapFromGlobal(global), global, button, held, Qt::NoModifier);
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
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void faceLayout_data();
    void faceLayout();
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
    void dayButtonsOpenSticker();
    void layoutButtonOpensFile_data();
    void layoutButtonOpensFile();
    void writes_data();
    void writes();
    void textColourDialog_data();
    void textColourDialog();

private:
    QList<QUrl> openedUrls;
};

void TestClock::faceLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("cell");  // column, row, column span, row span
    QTest::addColumn<int>("horizontal");
    QTest::addColumn<int>("vertical");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sheet");

    const int fixed = QSizePolicy::Fixed;
    QTest::newRow("lang_label") << "lang_label" << QRect(0, 0, 2, 2) << int(QSizePolicy::Ignored)
                                << int(QSizePolicy::Expanding) << "RU" << "color: rgb(0, 0, 0);";
    QTest::newRow("month_label") << "month_label" << QRect(2, 0, 5, 2) << int(QSizePolicy::Ignored)
                                 << int(QSizePolicy::Expanding) << "Load" << "color: rgb(232,244,255);";
    for (int n = 1; n <= 7; ++n) {
        const QString name = QStringLiteral("day_%1").arg(n);
        QTest::newRow(qPrintable(name)) << name << QRect(n - 1, 2, 1, 1) << fixed << fixed << ""
                                        << (n >= 6 ? kWeekend : kWorkday);
    }
    QTest::newRow("lcdclock") << "lcdclock" << QRect(7, 0, 1, 3) << int(QSizePolicy::Preferred)
                              << int(QSizePolicy::Preferred) << "" << "color: rgb(232,244,255);";
    QTest::newRow("ram_label") << "ram_label" << QRect(8, 0, 1, 2) << fixed << fixed << "RAM"
                               << "color: rgb(232,244,255);";
    QTest::newRow("cpu_label") << "cpu_label" << QRect(9, 0, 1, 2) << fixed << fixed << "CPU"
                               << "color: rgb(232,244,255);";
    const QString bar = QStringLiteral("QProgressBar::chunk {background-color:  rgb(0, 112, 0);}");
    QTest::newRow("ram_progress") << "ram_progress" << QRect(8, 2, 1, 1) << fixed << fixed << "24" << bar;
    QTest::newRow("cpu_progress") << "cpu_progress" << QRect(9, 2, 1, 1) << fixed << fixed << "24" << bar;
}

void TestClock::faceLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, cell);
    QFETCH(int, horizontal);
    QFETCH(int, vertical);
    QFETCH(QString, text);
    QFETCH(QString, sheet);

    Fixture f;
    DigitalClockWidget clock;
    auto* grid = qobject_cast<QGridLayout*>(clock.layout());
    QVERIFY(grid);
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->columnCount(), 10);
    QWidget* widget = clock.findChild<QWidget*>(name);
    QVERIFY(widget);
    int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
    grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(QRect(column, row, columnSpan, rowSpan), cell);
    QCOMPARE(int(widget->sizePolicy().horizontalPolicy()), horizontal);
    QCOMPARE(int(widget->sizePolicy().verticalPolicy()), vertical);
    QCOMPARE(widget->styleSheet(), sheet);
    if (auto* bar = qobject_cast<QProgressBar*>(widget))
        QCOMPARE(QString::number(bar->value()), text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        QCOMPARE(label->text(), text);
    else if (auto* button = qobject_cast<QToolButton*>(widget))
        QCOMPARE(button->text(), text);
}

void TestClock::windowFromSettings_data()
{
    QTest::addColumn<int>("onTop");
    QTest::addColumn<QString>("colour");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("sheet");

    QTest::newRow("not on top") << 0 << "#102030" << 0x80b << "color: rgb(16,32,48);";
    QTest::newRow("partly checked counts as on top") << 1 << "#ffffff" << 0x4080b << "color: rgb(255,255,255);";
    QTest::newRow("on top") << 2 << "" << 0x4080b << "color: rgb(0,0,0);";
}

void TestClock::windowFromSettings()
{
    QFETCH(int, onTop);
    QFETCH(QString, colour);
    QFETCH(int, flags);
    QFETCH(QString, sheet);

    Fixture f;
    f.data.exec(QStringLiteral("UPDATE settings SET DigitalClockWidget_StaysOnTop = %1, Clock_TextColor = '%2', "
                               "DigitalClock_Width = 333, DigitalClock_Height = 77, DigitalClock_Pos_x = 12, "
                               "DigitalClock_Pos_y = 34")
                    .arg(onTop)
                    .arg(colour));
    DigitalClockWidget clock;
    QCOMPARE(int(clock.windowFlags()), flags);
    QVERIFY(clock.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(clock.size(), QSize(333, 77));
    QCOMPARE(clock.pos(), QPoint(12, 34));
    for (const char* name : {"month_label", "lcdclock", "ram_label", "cpu_label"})
        QCOMPARE(child<QWidget>(clock, name)->styleSheet(), sheet);
    QVERIFY(f.boxes.seen.isEmpty());
}

void TestClock::timeAndDate_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("date");

    QTest::newRow("just after midnight") << QDateTime(QDate(2024, 3, 5), QTime(0, 5, 59)) << "00:05" << "05, March";
    QTest::newRow("single-digit hour and minute") << QDateTime(QDate(2024, 11, 9), QTime(9, 7)) << "09:07"
                                                  << "09, November";
    QTest::newRow("last minute") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 30)) << "23:59" << "31, December";
}

void TestClock::timeAndDate()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, time);
    QFETCH(QString, date);

    Fixture f;
    f.system.now = now;
    DigitalClockWidget clock;
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    tick(clock);
    // The display keeps no text; compare it with a display that shows the
    // expected one in the same way.
    auto* lcd = child<QLCDNumber>(clock, "lcdclock");
    QLCDNumber expected(6);
    expected.setFrameShape(QFrame::NoFrame);
    expected.setSegmentStyle(QLCDNumber::Flat);
    expected.setStyleSheet(lcd->styleSheet());
    expected.resize(lcd->size());
    expected.display(time);
    QVERIFY(!lcd->size().isEmpty());
    QCOMPARE(render(lcd), render(&expected));
    if (QLocale::system().language() == QLocale::English || QLocale::system().language() == QLocale::C)
        QCOMPARE(child<QLabel>(clock, "month_label")->text(), date);
    else
        QVERIFY(child<QLabel>(clock, "month_label")->text().startsWith(date.left(4)));
}

void TestClock::processorLoad_data()
{
    QTest::addColumn<Samples>("samples");

    // The first tick only sets the baseline: earlier clocks of this process
    // left their own previous sample behind.
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
    auto* bar = child<QProgressBar>(clock, "cpu_progress");
    for (const Sample& s : samples) {
        f.system.timesOk = s.ok;
        f.system.idle = s.idle;
        f.system.kernel = s.kernel;
        f.system.user = s.user;
        tick(clock);
        if (s.load >= 0)
            QCOMPARE(bar->value(), s.load);
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
    QTest::newRow("sunday to monday")
        << sunday << monday << QString()
        << QStringList{kToday, kWorkday, kWorkday, kWorkday, kWorkday, kWeekend, kWeekend};
    QTest::newRow("rollover resets every button")
        << sunday << monday << QStringLiteral("day_4")
        << QStringList{kToday, kWorkday, kWorkday, kWorkday, kWorkday, kWeekend, kWeekend};
    QTest::newRow("same day leaves the others")
        << wednesday << wednesday << QStringLiteral("day_4")
        << QStringList{kWorkday, kWorkday, kToday, "x", kWorkday, kWeekend, kWeekend};
    QTest::newRow("today highlighted again on every tick")
        << wednesday << wednesday << QStringLiteral("day_3")
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
        clock.findChild<QToolButton*>(tampered)->setStyleSheet(QStringLiteral("x"));
    f.system.now = QDateTime(ticked, QTime(0, 0));
    tick(clock);
    QStringList actual;
    for (int n = 1; n <= 7; ++n)
        actual << clock.findChild<QToolButton*>(QStringLiteral("day_%1").arg(n))->styleSheet();
    QCOMPARE(actual, sheets);
    QCOMPARE(child<QToolButton>(clock, "lang_label")->styleSheet(), QStringLiteral("color: rgb(0, 0, 0);"));
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
    f.data.exec(QStringLiteral("UPDATE settings SET DigitalClock_Pos_x = 100, DigitalClock_Pos_y = 50"));
    DigitalClockWidget clock;
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    const QPoint start = clock.pos();
    QCOMPARE(start, QPoint(100, 50));
    // Whatever is stored now must be replaced by the release.
    f.data.exec(QStringLiteral("UPDATE settings SET DigitalClock_Pos_x = -1, DigitalClock_Pos_y = -1"));

    // Presses on a label reach the clock through the usual propagation.
    auto* label = child<QLabel>(clock, "month_label");
    const auto b = Qt::MouseButton(button);
    const QPoint grip = label->mapToGlobal(QPoint(5, 5));
    sendMouse(label, QEvent::MouseButtonPress, grip, b, b);
    sendMouse(label, QEvent::MouseMove, grip + delta / 2, Qt::NoButton, b);
    sendMouse(label, QEvent::MouseMove, grip + delta, Qt::NoButton, b);
    sendMouse(label, QEvent::MouseButtonRelease, grip + delta, b, Qt::NoButton);

    const QPoint expected = moves ? start + delta : start;
    QCOMPARE(clock.pos(), expected);
    QCOMPARE(QPoint(f.data.scalar(QStringLiteral("select DigitalClock_Pos_x from settings")).toInt(),
                    f.data.scalar(QStringLiteral("select DigitalClock_Pos_y from settings")).toInt()),
             expected);
    QCOMPARE(clock.cursor().shape(), Qt::ClosedHandCursor);
    QVERIFY(f.boxes.seen.isEmpty());
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
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    clock.set_skin(writeQuarteredSkin(dir));
    clock.set_opacity(opacity);
    QCOMPARE(f.data.scalar(QStringLiteral("select DigitalClock_Opacity from settings")).toDouble(), opacity);

    const QImage image = render(&clock);
    // The margin shows only the skin, at the chosen opacity.
    QVERIFY2(qAbs(image.pixelColor(1, 1).alpha() - alpha) <= 1, qPrintable(QString::number(image.pixelColor(1, 1).alpha())));
    if (alpha > 0)
        QCOMPARE(image.pixelColor(1, 1).red(), 255);
    // The children stay fully opaque whatever the skin's opacity.
    auto* day = child<QToolButton>(clock, "day_6");
    const QColor button = image.pixelColor(day->geometry().center());
    QCOMPARE(button.alpha(), 255);
    QCOMPARE(button, render(day).pixelColor(day->rect().center()));
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
    f.data.exec(QStringLiteral("UPDATE settings SET DigitalClock_Width = %1, DigitalClock_Height = %2")
                    .arg(before.width())
                    .arg(before.height()));
    DigitalClockWidget clock;
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    clock.set_skin(writeQuarteredSkin(dir));
    clock.resize(after);
    QCOMPARE(clock.size(), after);

    // Stretched without keeping the aspect: each quarter of the skin covers
    // a quarter of the window, read in its 3-pixel margin.
    const QImage image = render(&clock);
    const int w = after.width(), h = after.height();
    const struct
    {
        QPoint at;
        QColor colour;
    } probes[] = {{{1, 1}, Qt::red},           {{w / 2 - 4, 1}, Qt::red},   {{w / 2 + 4, 1}, Qt::green},
                  {{w - 2, 1}, Qt::green},     {{1, h / 2 + 4}, Qt::blue},  {{1, h - 2}, Qt::blue},
                  {{w - 2, h - 2}, Qt::yellow}, {{w / 2 + 4, h - 2}, Qt::yellow}};
    for (const auto& probe : probes)
        QVERIFY2(image.pixelColor(probe.at) == probe.colour,
                 qPrintable(QStringLiteral("at %1,%2: %3").arg(probe.at.x()).arg(probe.at.y()).arg(image.pixelColor(probe.at).name(QColor::HexArgb))));
}

void TestClock::dayButtonsOpenSticker()
{
    Fixture f;
    for (int n = 1; n <= 7; ++n)
        f.data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, 'task %1', 0)").arg(n));
    DigitalClockWidget clock;
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    QWidget* sticker = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("ToDoList"))
            sticker = w;
    }
    QVERIFY(sticker);
    QVERIFY(!sticker->isVisible());
    auto* table = sticker->findChild<QTableWidget*>(QStringLiteral("notesWidget"));
    QVERIFY(table);
    for (int n : {3, 7, 1}) {
        QTest::mouseClick(child<QToolButton>(clock, qPrintable(QStringLiteral("day_%1").arg(n))), Qt::LeftButton);
        QVERIFY(sticker->isVisible());
        QStringList tasks;
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 1))
                tasks << table->item(row, 1)->text();
        }
        QCOMPARE(tasks, QStringList{QStringLiteral("task %1").arg(n)});
    }
}

void TestClock::layoutButtonOpensFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("chosen file") << "/tmp/some notes.txt";
    QTest::newRow("nothing chosen") << "";
}

void TestClock::layoutButtonOpensFile()
{
    QFETCH(QString, file);

    Fixture f;
    f.data.exec(QStringLiteral("UPDATE settings SET FileToRun = '%1'").arg(file));
    openedUrls.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    DigitalClockWidget clock;
    QTest::mouseClick(child<QToolButton>(clock, "lang_label"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(openedUrls, file.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl::fromLocalFile(file)});
    QVERIFY(f.boxes.seen.isEmpty());
}

void TestClock::writes_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("broken");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("stored");

    for (bool broken : {false, true}) {
        const char* suffix = broken ? ", failing" : "";
        QTest::addRow("save_pos%s", suffix) << "save_pos" << broken << "DigitalClock_Pos_y" << QVariant(-7);
        QTest::addRow("save_skin%s", suffix) << "save_skin" << broken << "DigitalClock_Skin" << QVariant(3);
        QTest::addRow("set_opacity%s", suffix) << "set_opacity" << broken << "DigitalClock_Opacity" << QVariant(0.25);
        QTest::addRow("save_size%s", suffix) << "save_size" << broken << "DigitalClock_Height" << QVariant(77);
    }
}

void TestClock::writes()
{
    QFETCH(QString, operation);
    QFETCH(bool, broken);
    QFETCH(QString, column);
    QFETCH(QVariant, stored);

    Fixture f;
    DigitalClockWidget clock;
    if (broken)
        f.data.exec(QStringLiteral("ALTER TABLE settings RENAME TO settings_elsewhere"));
    if (operation == QLatin1String("save_pos"))
        clock.save_pos(5, -7);
    else if (operation == QLatin1String("save_skin"))
        clock.save_skin(3);
    else if (operation == QLatin1String("set_opacity"))
        clock.set_opacity(0.25);
    else
        clock.save_size(400, 77);

    if (broken) {
        QCOMPARE(f.boxes.seen.size(), 1);
        QCOMPARE(f.boxes.seen.first().title, QStringLiteral("Error"));
        QVERIFY(f.boxes.seen.first().text.contains(QLatin1String("settings")));
        QCOMPARE(f.boxes.seen.first().parent.data(), &clock);
    } else {
        QVERIFY(f.boxes.seen.isEmpty());
        QCOMPARE(f.data.scalar(QStringLiteral("select %1 from settings").arg(column)), stored);
    }
}

void TestClock::textColourDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("chosen") << true;
    QTest::newRow("cancelled") << false;
}

void TestClock::textColourDialog()
{
    QFETCH(bool, accept);

    Fixture f;
    QList<QColor> offered;
    f.boxes.onDialog([&](QDialog* dialog) {
        auto* colours = qobject_cast<QColorDialog*>(dialog);
        QVERIFY(colours);
        offered << colours->currentColor();
        if (accept) {
            colours->setCurrentColor(QColor(0x12, 0x34, 0x56 + offered.size()));
            colours->accept();
        } else {
            colours->reject();
        }
    });
    DigitalClockWidget clock;
    clock.set_Clock_TextColor();
    clock.set_Clock_TextColor();

    // Both dialogs start from the colour the clock was built with.
    const QColor startUp(QStringLiteral("#e8f4ff"));
    QCOMPARE(offered, (QList<QColor>{startUp, startUp}));
    const QString sheet = accept ? QStringLiteral("color: rgb(18,52,88);") : QStringLiteral("color: rgb(232,244,255);");
    for (const char* name : {"month_label", "lcdclock", "ram_label", "cpu_label"})
        QCOMPARE(child<QWidget>(clock, name)->styleSheet(), sheet);
    QCOMPARE(f.data.scalar(QStringLiteral("select Clock_TextColor from settings")).toString(),
             accept ? QStringLiteral("#123458") : QStringLiteral("#e8f4ff"));
}

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
