#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"

#include "clock/digitalclockwidget.h"

#include <QColorDialog>
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

// A provisioned database, a box answerer and the fake system the clock sees.
struct Fixture
{
    explicit Fixture(const QString& arrange = {})
    {
        data.open();
        if (!arrange.isEmpty())
            data.exec(arrange);
    }
    void store(const QString& assignments) { data.exec(QStringLiteral("UPDATE settings SET ") + assignments); }

    TestDataDir data;
    BoxAnswerer boxes;
    FakePlatformScope platform;
    FakePlatform& system = platform.fake;
};

void tick(QWidget& clock)
{
    QTimerEvent event(0);
    QCoreApplication::sendEvent(&clock, &event);
}

template <typename T = QWidget>
T* child(QWidget& clock, const QString& name)
{
    return clock.findChild<T*>(name);
}

QImage render(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The display keeps no text of its own: it shows `text` when it looks no
// different once told to show it.
bool displays(QLCDNumber* lcd, const QString& text)
{
    const QImage shown = render(lcd);
    lcd->display(text);
    return render(lcd) == shown;
}

// The colour a face widget draws its text in.
QColor textColour(QWidget* widget)
{
    widget->ensurePolished();
    return widget->palette().color(widget->foregroundRole());
}

}  // namespace

Q_DECLARE_METATYPE(Samples)

class TestClock : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl& url) { openedUrls.append(url); }

private:
    QList<QUrl> openedUrls;

private slots:
    void windowFromSettings_data()
    {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<bool>("read");
        QTest::addColumn<bool>("onTop");
        const QString stored = QStringLiteral(
            "UPDATE settings SET DigitalClockWidget_StaysOnTop = %1, DigitalClock_Width = 333, "
            "DigitalClock_Height = 77, DigitalClock_Pos_x = 12, DigitalClock_Pos_y = 34");
        QTest::newRow("cleared") << stored.arg(0) << true << false;
        QTest::newRow("partly checked counts as set") << stored.arg(1) << true << true;
        QTest::newRow("checked") << stored.arg(2) << true << true;
        QTest::newRow("unreadable: an ordinary window")
            << "ALTER TABLE settings RENAME COLUMN Clock_TextColor TO Gone" << false << false;
    }

    void windowFromSettings()
    {
        QFETCH(QString, arrange);
        QFETCH(bool, read);
        QFETCH(bool, onTop);
        Fixture f(arrange);
        DigitalClockWidget clock;
        const Qt::WindowFlags flags = clock.windowFlags();
        QCOMPARE(flags.testFlag(Qt::FramelessWindowHint), read);
        QCOMPARE((flags & Qt::WindowType_Mask) == Qt::Tool, read);
        QCOMPARE(clock.testAttribute(Qt::WA_TranslucentBackground), read);
        QCOMPARE(flags.testFlag(Qt::WindowStaysOnTopHint), onTop);
        if (read) {
            QCOMPARE(clock.geometry(), QRect(12, 34, 333, 77));
            QVERIFY(f.boxes.seen.isEmpty());
        } else {
            QCOMPARE(f.boxes.seen.size(), 1);
            QCOMPARE(f.boxes.seen[0].title, QStringLiteral("Error"));
            QVERIFY(f.boxes.seen[0].text.contains(QStringLiteral("Clock_TextColor")));
            QVERIFY(!f.boxes.seen[0].hadParent);
        }
    }

    void faceBeforeTheFirstTick()
    {
        Fixture f;
        DigitalClockWidget clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        QCOMPARE(child<QLabel>(clock, "month_label")->text(), QStringLiteral("Load"));
        QCOMPARE(child<QToolButton>(clock, "lang_label")->text(), QStringLiteral("RU"));
        QVERIFY(displays(child<QLCDNumber>(clock, "lcdclock"), QStringLiteral("Load..")));
        // Each load bar at 24 % under its own caption, the two side by side.
        const QRect ram = child(clock, "ram_label")->geometry(), cpu = child(clock, "cpu_label")->geometry();
        QVERIFY(ram.right() < cpu.left());
        for (const auto& [bar, caption] : {std::pair{"ram_progress", ram}, {"cpu_progress", cpu}}) {
            auto* progress = child<QProgressBar>(clock, bar);
            QCOMPARE(progress->value(), 24);
            QVERIFY(progress->geometry().top() > caption.bottom());
            QVERIFY(progress->geometry().center().x() >= caption.left());
            QVERIFY(progress->geometry().center().x() <= caption.right());
        }
    }

    void tickShowsTheSystem_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("memoryKnown");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("time");
        QTest::newRow("leading zeros") << QDateTime(QDate(2024, 3, 5), QTime(0, 5, 59)) << true << "DEU" << "00:05";
        QTest::newRow("memory and layout unknown") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 30)) << false
                                                   << "" << "23:59";
    }

    void tickShowsTheSystem()
    {
        QFETCH(QDateTime, now);
        QFETCH(bool, memoryKnown);
        QFETCH(QString, layout);
        QFETCH(QString, time);
        Fixture f;
        f.system.now = now;
        f.system.memoryOk = memoryKnown;
        f.system.memory = 37;
        f.system.layout = layout;
        DigitalClockWidget clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        f.system.calls.clear();
        tick(clock);
        // The pause stands right before the processor sample.
        QCOMPARE(f.system.calls, (QStringList{"now", "sleep 10", "times", "memory", "layout"}));
        // An unknown memory figure leaves the bar as it was.
        QCOMPARE(child<QProgressBar>(clock, "ram_progress")->value(), memoryKnown ? 37 : 24);
        QCOMPARE(child<QToolButton>(clock, "lang_label")->text(), layout);
        QCOMPARE(child<QLabel>(clock, "month_label")->text(), QLocale::system().toString(now.date(), "dd, MMMM"));
        QVERIFY(displays(child<QLCDNumber>(clock, "lcdclock"), time));
    }

    void processorLoad_data()
    {
        QTest::addColumn<Samples>("samples");
        // The first tick sets the baseline: earlier clocks of this process
        // left their own previous sample behind.
        const Sample base{true, 1000, 5000, 3000, -1};
        QTest::newRow("busy") << Samples{base, {true, 1300, 5600, 3400, 70}};
        QTest::newRow("truncating division") << Samples{base, {true, 1001, 5002, 3001, 66}};
        QTest::newRow("nothing elapsed") << Samples{base, {true, 1300, 5600, 3400, 70}, {true, 1300, 5600, 3400, 0}};
        QTest::newRow("failed sample, then both intervals")
            << Samples{base, {true, 1300, 5600, 3400, 70}, {false, 0, 0, 0, 0}, {true, 1800, 6600, 4400, 75}};
        QTest::newRow("beyond 32 bits") << Samples{{true, 1000000000000, 2000000000000, 1000000000000, -1},
                                                   {true, 2000000000000, 6000000000000, 2000000000000, 80}};
    }

    void processorLoad()
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

    void weekdayButtonsFollowTheDate()
    {
        Fixture f;
        f.system.now = QDateTime(QDate(2024, 1, 7), QTime(23, 59));  // a Sunday
        DigitalClockWidget clock;
        auto sheets = [&] {
            QStringList all;
            for (int n = 1; n <= 7; ++n)
                all << child(clock, QStringLiteral("day_%1").arg(n))->styleSheet();
            return all;
        };
        const QString work = sheets().at(0), weekend = sheets().at(5);
        QVERIFY(work != weekend);
        QCOMPARE(sheets(), (QStringList{work, work, work, work, work, weekend, weekend}));
        tick(clock);
        const QString today = sheets().at(6);
        QVERIFY(today != work && today != weekend);
        QCOMPARE(sheets(), (QStringList{work, work, work, work, work, weekend, today}));
        // Past midnight Sunday is a weekend day again and Monday is today.
        f.system.now = QDateTime(QDate(2024, 1, 8), QTime(0, 0));
        tick(clock);
        QCOMPARE(sheets(), (QStringList{today, work, work, work, work, weekend, weekend}));
    }

    // Runs under an English and a Russian system locale (see CMakeLists.txt).
    void wholeDateShows_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QDate>("date");
        QTest::newRow("default width, longest month") << 420 << QDate(2024, 9, 26);
        QTest::newRow("narrowed") << 240 << QDate(2024, 9, 26);
    }

    void wholeDateShows()
    {
        QFETCH(int, width);
        QFETCH(QDate, date);
        Fixture f(QStringLiteral("UPDATE settings SET DigitalClock_Width = 420, DigitalClock_Height = 84"));
        f.system.now = QDateTime(date, QTime(12, 0));
        DigitalClockWidget clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        auto* label = child<QLabel>(clock, "month_label");
        const int face = label->font().pointSize();
        tick(clock);
        clock.resize(width, 84);
        QApplication::processEvents();
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
        // A shorter date takes the face's size again.
        clock.resize(420, 84);
        f.system.now = QDateTime(QDate(2024, 5, 1), QTime(12, 0));
        tick(clock);
        QCOMPARE(label->font().pointSize(), face);
    }

    void textColourDialog()
    {
        Fixture f(QStringLiteral("UPDATE settings SET Clock_TextColor = '#102030'"));
        DigitalClockWidget clock;
        const QStringList face{"month_label", "lcdclock", "ram_label", "cpu_label"};
        const QColor button = textColour(child(clock, "lang_label"));
        QList<QColor> offered;
        QColor choice;  // invalid: cancel
        f.boxes.onDialog([&](QDialog* dialog) {
            auto* colours = qobject_cast<QColorDialog*>(dialog);
            offered << colours->currentColor();
            if (!choice.isValid())
                return dialog->reject();
            colours->setCurrentColor(choice);
            dialog->accept();
        });

        clock.set_Clock_TextColor();
        QCOMPARE(f.data.scalar("select Clock_TextColor from settings").toString(), QStringLiteral("#102030"));
        for (const QString& name : face)
            QCOMPARE(textColour(child(clock, name)), QColor(0x10, 0x20, 0x30));

        for (const QColor& picked : {QColor(192, 128, 64), QColor(1, 2, 255)}) {
            choice = picked;
            clock.set_Clock_TextColor();
            QCOMPARE(f.data.scalar("select Clock_TextColor from settings").toString(), picked.name());
            for (const QString& name : face)
                QCOMPARE(textColour(child(clock, name)), picked);
            QCOMPARE(textColour(child(clock, "lang_label")), button);
        }
        // Each dialog of the run starts from the colour the clock started with.
        const QColor start(0x10, 0x20, 0x30);
        QCOMPARE(offered, (QList<QColor>{start, start, start}));
    }

    void drag_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("moved");
        QTest::newRow("left drag moves") << int(Qt::LeftButton) << QPoint(30, -20);
        QTest::newRow("right drag only stores") << int(Qt::RightButton) << QPoint(0, 0);
    }

    void drag()
    {
        QFETCH(int, button);
        QFETCH(QPoint, moved);
        Fixture f(QStringLiteral("UPDATE settings SET DigitalClock_Pos_x = 100, DigitalClock_Pos_y = 50"));
        DigitalClockWidget clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        // The release must store the position, whatever is stored now.
        f.store(QStringLiteral("DigitalClock_Pos_x = -1, DigitalClock_Pos_y = -1"));

        // Presses on a label reach the clock through the usual propagation.
        QWidget* label = child(clock, "month_label");
        const auto b = Qt::MouseButton(button);
        const QPoint grip = label->mapToGlobal(QPoint(5, 5));
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton changed, Qt::MouseButtons held) {
            QMouseEvent event(type, label->mapFromGlobal(at), clock.mapFromGlobal(at), at, changed, held, Qt::NoModifier);
            QApplication::sendEvent(label, &event);
        };
        send(QEvent::MouseButtonPress, grip, b, b);
        send(QEvent::MouseMove, grip + QPoint(15, -10), Qt::NoButton, b);
        send(QEvent::MouseMove, grip + QPoint(30, -20), Qt::NoButton, b);
        send(QEvent::MouseButtonRelease, grip + QPoint(30, -20), b, Qt::NoButton);

        const QPoint expected = QPoint(100, 50) + moved;
        QCOMPARE(clock.pos(), expected);
        QCOMPARE(f.data.scalar("select DigitalClock_Pos_x || ',' || DigitalClock_Pos_y from settings").toString(),
                 QStringLiteral("%1,%2").arg(expected.x()).arg(expected.y()));
    }

    void skinPainting_data()
    {
        QTest::addColumn<QSize>("before");
        QTest::addColumn<QSize>("after");
        QTest::addColumn<double>("opacity");
        QTest::newRow("opaque, grown") << QSize(360, 90) << QSize(520, 200) << 1.0;
        QTest::newRow("half, shrunk to another shape") << QSize(500, 300) << QSize(330, 100) << 0.5;
        QTest::newRow("hidden") << QSize(420, 84) << QSize(420, 84) << 0.0;
    }

    void skinPainting()
    {
        QFETCH(QSize, before);
        QFETCH(QSize, after);
        QFETCH(double, opacity);
        Fixture f(QStringLiteral("UPDATE settings SET DigitalClock_Width = %1, DigitalClock_Height = %2")
                      .arg(before.width())
                      .arg(before.height()));
        DigitalClockWidget clock;
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        // A skin whose quarters are red, green, blue and yellow.
        QImage skin(300, 300, QImage::Format_ARGB32);
        const QColor quarters[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                skin.setPixelColor(x, y, quarters[x / 150 + 2 * (y / 150)]);
        QTemporaryDir dir;
        QVERIFY(skin.save(dir.filePath(QStringLiteral("skin.png"))));
        clock.set_skin(dir.filePath(QStringLiteral("skin.png")));
        clock.set_opacity(opacity);
        QCOMPARE(f.data.scalar("select DigitalClock_Opacity from settings").toDouble(), opacity);
        clock.resize(after);

        // Stretched without keeping the aspect, each quarter of the skin
        // covers a quarter of the window, at the chosen opacity: probed in
        // the 3-pixel margin.
        const QImage image = render(&clock);
        const int w = after.width(), h = after.height();
        const QPoint corners[] = {{1, 1}, {w - 2, 1}, {1, h - 2}, {w - 2, h - 2}};
        for (int i = 0; i < 4; ++i) {
            QColor painted = image.pixelColor(corners[i]);
            QVERIFY(qAbs(painted.alpha() - qRound(255 * opacity)) <= 1);
            painted.setAlpha(255);
            QVERIFY(opacity == 0.0 || painted == quarters[i]);
        }
        // The children are drawn as they are, fully opaque.
        QWidget* day = child(clock, "day_6");
        QCOMPARE(image.pixelColor(day->geometry().center()), render(day).pixelColor(day->rect().center()));
    }

    void buttonsOpenStickerAndFile()
    {
        Fixture f(QStringLiteral("UPDATE settings SET FileToRun = '/tmp/some notes.txt'"));
        for (int n = 1; n <= 7; ++n)
            f.data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, 'task %1', 0)").arg(n));
        DigitalClockWidget clock;
        QWidget* sticker = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            sticker = w->inherits("ToDoList") ? w : sticker;
        QVERIFY(sticker && !sticker->isVisible());
        auto* table = sticker->findChild<QTableWidget*>(QStringLiteral("notesWidget"));
        for (int n : {3, 7, 1}) {
            QTest::mouseClick(child(clock, QStringLiteral("day_%1").arg(n)), Qt::LeftButton);
            QVERIFY(sticker->isVisible());
            QCOMPARE(table->rowCount(), 1);
            QCOMPARE(table->item(0, 1)->text(), QStringLiteral("task %1").arg(n));
        }

        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        QTest::mouseClick(child(clock, "lang_label"), Qt::LeftButton);
        f.store(QStringLiteral("FileToRun = ''"));
        QTest::mouseClick(child(clock, "lang_label"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/some notes.txt"))});
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
