#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"
#include "toplevel.h"

#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

#include <QtTest>
#include <QtWidgets>

namespace {

using Ticks = QList<QList<qint64>>;  // idle, kernel, user (idle -1: the sample fails), the load bar after

struct Fixture
{
    explicit Fixture(const QString& arrange = "SELECT 1") { data.open(), data.exec(arrange); }
    TestDataDir data;
    BoxAnswerer boxes;
    FakePlatformScope platform;
    FakePlatform& system = platform.fake;
};

void tick(QWidget& clock) { QTimerEvent event(0); QCoreApplication::sendEvent(&clock, &event); }

template <typename T = QWidget>
T* child(QWidget& clock, const QString& name) { return clock.findChild<T*>(name); }

// The display keeps no text: it shows `text` if it looks no different once told to show it.
bool displays(QWidget& clock, const QString& text)
{
    auto* lcd = child<QLCDNumber>(clock, "lcdclock");
    const QImage shown = lcd->grab().toImage();
    lcd->display(text);
    return lcd->grab().toImage() == shown;
}

// Contrast of two colours as seen on a screen (relative luminance, 1 to 21).
double contrast(QColor a, QColor b)
{
    const auto luminance = [](QColor c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    return (qMax(luminance(a), luminance(b)) + 0.05) / (qMin(luminance(a), luminance(b)) + 0.05);
}

}  // namespace

class TestClock : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl& url) { openedUrls.append(url); }

private:
    QList<QUrl> openedUrls;

private slots:
    void initTestCase() { orvoInitResources(); }

    // On white (worst under translucent skins) date and time stand 4.5:1, the longest date whole; captions apart.
    void faceOnEverySkin_data()
    {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<QSize>("size");  // invalid: as stored
        for (const char* name : {"main_skin", "main_skin1", "main_skin2", "main_skin3", "main_skin4"})
            QTest::newRow(name) << QStringLiteral(":/img/%1.png").arg(QLatin1String(name)) << QSize();
        for (const QSize size : {QSize(0, 0), QSize(999, 999), QSize(999, 0), QSize(0, 999)})
            QTest::newRow(qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())))
                << ":/img/main_skin.png" << size;
    }

    void faceOnEverySkin()
    {
        QFETCH(QString, skin);
        QFETCH(QSize, size);
        Fixture f;
        f.system.now = QDateTime(QDate(2024, 9, 26), QTime(12, 0));  // the longest date of the year
        const QColor text(f.data.scalar(QStringLiteral("select Clock_TextColor from settings")).toString());
        DigitalClockWidget clock;
        clock.set_skin(skin);
        clock.show();
        tick(clock);
        if (size.isValid())
            clock.resize(size);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        auto* date = child<QLabel>(clock, "month_label");  // narrowed to fit whole
        QVERIFY2(date->fontMetrics().horizontalAdvance(date->text()) <= date->contentsRect().width(), qPrintable(date->text()));
        QImage face(clock.size(), QImage::Format_ARGB32_Premultiplied);
        face.fill(Qt::white);
        clock.render(&face, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        for (const char* name : {"month_label", "lcdclock"}) {
            const QRect area = child(clock, name)->geometry();
            QVector<double> ratios;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    ratios.append(contrast(text, face.pixelColor(x, y)));
            std::sort(ratios.begin(), ratios.end());
            // All but the lightest 1 %: a glint of the glass may be brighter.
            QVERIFY2(ratios.at(ratios.size() / 100) >= 4.5, name);
        }
        auto* ram = child<QLabel>(clock, "ram_label");
        auto* cpu = child<QLabel>(clock, "cpu_label");
        const int ramEnd = ram->x() + ram->contentsRect().left() + ram->fontMetrics().horizontalAdvance(ram->text());
        QVERIFY(cpu->x() + cpu->contentsRect().left() - ramEnd >= ram->fontMetrics().horizontalAdvance(' '));
    }

    void faceAndTicks()
    {
        Fixture f;
        f.system.now = QDateTime(QDate(2024, 1, 7), QTime(0, 5, 59));  // a Sunday
        f.system.memory = 37;
        f.system.layout = QStringLiteral("DEU");
        DigitalClockWidget clock;
        clock.show();
        auto* date = child<QLabel>(clock, "month_label");
        auto* layout = child<QToolButton>(clock, "lang_label");
        auto* memory = child<QProgressBar>(clock, "ram_progress");
        const auto sheets = [&] {
            QStringList all;
            for (int n = 1; n <= 7; ++n)
                all << child(clock, QStringLiteral("day_%1").arg(n))->styleSheet();
            return all;
        };

        tick(clock);
        QVERIFY(displays(clock, QStringLiteral("00:05")));
        QCOMPARE(date->text(), QLocale::system().toString(QDate(2024, 1, 7), QStringLiteral("dd, MMMM")));
        QCOMPARE(layout->text(), QStringLiteral("DEU"));
        QCOMPARE(memory->value(), 37);
        const QString work = sheets().at(0), weekend = sheets().at(5), today = sheets().at(6);
        QVERIFY(work != weekend && today != work && today != weekend);
        QCOMPARE(sheets(), (QStringList{work, work, work, work, work, weekend, today}));

        // Past midnight Sunday is a weekend day again, Monday today; an unknown memory figure leaves the bar.
        f.system.now = QDateTime(QDate(2024, 1, 8), QTime(0, 0));
        f.system.memoryOk = false;
        f.system.memory = 90;
        f.system.layout.clear();
        tick(clock);
        QCOMPARE(sheets(), (QStringList{today, work, work, work, work, weekend, weekend}));
        QCOMPARE(memory->value(), 37);
        QCOMPARE(layout->text(), QString());
    }

    void processorLoad_data()
    {
        QTest::addColumn<Ticks>("ticks");
        // Each clock's first load is the average since boot, whatever earlier clocks sampled.
        const QList<qint64> base{1000, 5000, 3000, 87}, busy{1300, 5600, 3400, 70};
        QTest::newRow("truncating division") << Ticks{base, {1001, 5002, 3001, 66}};
        QTest::newRow("nothing elapsed") << Ticks{base, busy, {1300, 5600, 3400, 0}};
        QTest::newRow("failed sample, then both intervals") << Ticks{base, busy, {-1, 0, 0, 0}, {1800, 6600, 4400, 75}};
        QTest::newRow("beyond 32 bits") << Ticks{{1000000000000, 2000000000000, 1000000000000, 66},
                                                 {2000000000000, 6000000000000, 2000000000000, 80}};
    }

    void processorLoad()
    {
        QFETCH(Ticks, ticks);
        Fixture f;
        DigitalClockWidget clock;
        for (const QList<qint64>& t : ticks) {
            f.system.timesOk = t[0] >= 0;
            std::tie(f.system.idle, f.system.kernel, f.system.user) = std::tuple(t[0], t[1], t[2]);
            tick(clock);
            QCOMPARE(child<QProgressBar>(clock, "cpu_progress")->value(), int(t[3]));
        }
    }

    // A left drag moves the clock (from a label) or the sticker, or resizes it by its grip; the release stores it.
    void dragMovesOrStores_data()
    {
        QTest::addColumn<QString>("grabbed");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QRect>("after");
        QTest::newRow("clock") << "month_label" << false << QRect(130, 30, 330, 90);
        QTest::newRow("clock, right button") << "month_label" << true << QRect(100, 50, 330, 90);
        QTest::newRow("sticker") << "ToDoList" << false << QRect(130, 30, 314, 372);
        QTest::newRow("sticker's grip") << "QSizeGrip" << false << QRect(100, 50, 344, 352);
    }

    void dragMovesOrStores()
    {
        QFETCH(QString, grabbed);
        QFETCH(bool, right);
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        QFETCH(QRect, after);
        Fixture f("UPDATE settings SET DigitalClock_Pos_x = 100, DigitalClock_Pos_y = 50, DigitalClock_Width = 330, "
                  "DigitalClock_Height = 90, ToDoList_Pos_x = 100, ToDoList_Pos_y = 50, ToDoList_Width = 314, "
                  "ToDoList_Height = 372");
        const bool clockMoves = grabbed == "month_label";
        const QString window = clockMoves ? "DigitalClock" : "ToDoList", place = QStringLiteral(
            "select %1_Pos_x || ',' || %1_Pos_y || ',' || %1_Width || ',' || %1_Height from settings").arg(window);
        auto clock = std::make_unique<DigitalClockWidget>();
        clock->show();
        QTest::mouseClick(child(*clock, "day_1"), Qt::LeftButton);  // shows the sticker
        QWidget* sticker = topLevel("ToDoList");
        QWidget* on = clockMoves ? child(*clock, grabbed) : grabbed == "ToDoList" ? sticker : sticker->findChild<QSizeGrip*>();
        const QPoint grip = on->mapToGlobal(QPoint(5, 5));
        QTest::mousePress(on, button, {}, QPoint(5, 5));
        for (const QPoint by : {QPoint(15, -10), QPoint(30, -20)}) {
            QMouseEvent move(QEvent::MouseMove, QPoint(5, 5) + by, grip + by, Qt::NoButton, button, {});
            QApplication::sendEvent(on, &move);
        }
        QTest::mouseRelease(on, button, {}, QPoint(35, -15));
        const auto shown = [&] { return clockMoves ? clock->geometry() : topLevel("ToDoList")->geometry(); };
        QCOMPARE(shown(), after);
        QCOMPARE(f.data.scalar(place).toString(),
                 QStringLiteral("%1,%2,%3,%4").arg(after.x()).arg(after.y()).arg(after.width()).arg(after.height()));
        clock = std::make_unique<DigitalClockWidget>();  // a restart
        QCOMPARE(shown(), after);
    }

    void buttonsOpenStickerAndFile()
    {
        Fixture f(QStringLiteral("UPDATE settings SET FileToRun = '/tmp/some notes.txt'"));
        for (int n = 1; n <= 7; ++n)
            f.data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, 'task %1', 0)").arg(n));
        DigitalClockWidget clock;
        QWidget* sticker = topLevel("ToDoList");
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
        f.data.exec(QStringLiteral("UPDATE settings SET FileToRun = ''"));
        QTest::mouseClick(child(clock, "lang_label"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/some notes.txt"))});
    }
};

QTEST_MAIN(TestClock)
#include "tst_clock.moc"
