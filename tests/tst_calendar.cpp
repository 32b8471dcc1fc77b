// The calendar: grid and marks, the day menu and note dialog through real clicks, the window.
#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"

#include "calendar/addnote.h"
#include "calendar/calendargadget.h"
#include "calendar/calendarmodel.h"
#include "calendar/myqtcalendar.h"

#include <QtTest>
#include <QtWidgets>

namespace {

struct Fixture  // today fixed, the database private, boxes answered
{
    explicit Fixture(const QDate& today = QDate(2026, 6, 15)) { platform.fake.now = QDateTime(today, QTime(9, 30)); data.open(); }
    QString stored() const { return data.scalar("select group_concat(NOTETEXT, '|') from notes").toString(); }
    FakePlatformScope platform;
    TestDataDir data;
    BoxAnswerer boxes;
};

QModelIndex indexOf(const QAbstractItemModel& model, const QDate& day)
{
    const qint64 at = model.index(0, 0).data(Qt::UserRole).toDate().daysTo(day);
    return model.index(int(at / 7), int(at % 7));
}

// Today's month. Each menu or note dialog takes the next entry of `path` (none: closed) and is recorded: a menu's
// entries (the last of that text triggered); the dialog's selection, then typed ("\r": OK, "\x1b": Escape) or "delete".
struct Month : Fixture, QObject
{
    Month()
    {
        model().updateModel();
        gadget.resize(400, 330);
        gadget.show();
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* menu = qobject_cast<QMenu*>(object);
        auto* note = qobject_cast<addNote*>(object);
        if (event->type() != QEvent::Show || (!menu && !note))
            return false;
        object->setProperty("answered", true);  // not the box answerer's
        const QString choice = path.isEmpty() ? QString() : path.takeFirst();
        QTimer::singleShot(0, object, [this, menu, note, choice] {
            if (note) {
                shown.append(QStringList{note->noteEdit->selectedText()});
                if (choice == "delete")
                    QTest::mouseClick(note->deleteButton, Qt::LeftButton);
                else
                    QTest::keyClicks(note->noteEdit, choice.isEmpty() ? QStringLiteral("\x1b") : choice);
                return;
            }
            shown.append(QStringList());
            for (QAction* a : menu->actions())
                shown.last() << a->text();
            QAction* pick = choice.isEmpty() ? nullptr : menu->actions().value(shown.last().lastIndexOf(choice));
            menu->setActiveAction(pick);
            QTest::keyClick(menu, pick ? Qt::Key_Return : Qt::Key_Escape);
        });
        return false;
    }
    CalendarModel& model() { return *gadget.calendarModel(); }
    QPoint at(const QDate& day)
    {
        auto* view = gadget.findChild<QTableView*>("view");
        return view->viewport()->mapTo(&gadget, view->visualRect(indexOf(model(), day)).center());
    }
    QList<QStringList> click(const QPoint& at, const QStringList& answers, Qt::MouseButton button = Qt::RightButton)
    {
        path = answers;
        QTest::mouseClick(gadget.windowHandle(), button, {}, at);
        return std::exchange(shown, {});
    }

    QStringList path;
    QList<QStringList> shown;
    CalendarGadget gadget;  // goes first, while the filter's lists still live
};

}  // namespace

class TestCalendar : public QObject
{
    Q_OBJECT
private slots:
    void gridRunsFortyTwoDaysFromItsFirstDate_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<QDate>("first");
        QTest::newRow("June 2026, Monday: the 1st top left") << 2026 << 6 << 1 << QDate(2026, 6, 1);
        QTest::newRow("June 2026, Tuesday") << 2026 << 6 << 2 << QDate(2026, 5, 26);
        QTest::newRow("February 2026, Sunday: a January week") << 2026 << 2 << 7 << QDate(2026, 1, 25);
        QTest::newRow("January 2027, Friday") << 2027 << 1 << 5 << QDate(2026, 12, 25);
        QTest::newRow("leap February 2028, Monday") << 2028 << 2 << 1 << QDate(2028, 1, 31);
        QTest::newRow("year 0: a blank grid") << 0 << 5 << 1 << QDate();
    }

    void gridRunsFortyTwoDaysFromItsFirstDate()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, firstDay);
        QFETCH(QDate, first);
        Fixture f;
        CalendarModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::tie(model.year, model.month, model.firstDayOfWeek) = std::tuple(year, month, firstDay);
        model.updateModel();
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QLocale().dayName(firstDay, QLocale::ShortFormat));
        QCOMPARE(model.index(0, 0).data(Qt::UserRole).toDate(), first);
        QCOMPARE(model.index(5, 6).data().toInt(), first.addDays(41).day());  // 0 for a blank cell
    }

    void cellColoursFollowTheirPrecedence_data()
    {
        QTest::addColumn<QDate>("grid");  // its year and month
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QVariantList>("colours");  // background, foreground
        const QVariant none, red = QColor(Qt::red), gray = QColor(Qt::lightGray), yellow = QColor(Qt::yellow);
        QTest::newRow("Saturday") << QDate(2026, 6, 1) << QDate(2026, 6, 13) << QVariantList{none, red};
        QTest::newRow("noted") << QDate(2026, 6, 1) << QDate(2026, 6, 10) << QVariantList{yellow, none};
        QTest::newRow("noted neighbour Sunday") << QDate(2026, 6, 1) << QDate(2026, 7, 5) << QVariantList{gray, red};
        QTest::newRow("today, noted") << QDate(2026, 6, 1) << QDate(2026, 6, 29) << QVariantList{yellow, none};
        QTest::newRow("today") << QDate(2027, 6, 1) << QDate(2027, 6, 29) << QVariantList{QColor(Qt::darkGreen), none};
        QTest::newRow("today, neighbour day") << QDate(2027, 7, 1) << QDate(2027, 6, 29) << QVariantList{gray, none};
        QTest::newRow("noted 9999-12-31") << QDate(9999, 12, 1) << QDate(9999, 12, 31) << QVariantList{yellow, none};
    }

    void cellColoursFollowTheirPrecedence()
    {
        QFETCH(QDate, grid);
        QFETCH(QDate, day);
        QFETCH(QVariantList, colours);
        Fixture f(QDate(2025, 6, 29));  // today's month and day are marked in every year
        f.data.exec("INSERT INTO notes (NOTETEXT, NOTEDATE) VALUES "
                    "('n', '2026-06-10'), ('n', '2026-06-29'), ('n', '2026-07-05'), ('n', '9999-12-31')");
        CalendarModel model;
        std::tie(model.year, model.month) = std::tuple(grid.year(), grid.month());
        model.updateModel();
        const QModelIndex cell = indexOf(model, day);
        QCOMPARE((QVariantList{cell.data(Qt::BackgroundRole), cell.data(Qt::ForegroundRole)}), colours);
    }

    void dayAndMonthMenusThroughTheMouse()
    {
        Month m;
        const QDate day(2026, 6, 10);
        QVERIFY(m.click(m.at(QDate(2026, 7, 1)), {}).isEmpty());  // outside the month a click only explains
        QCOMPARE(m.boxes.seen.value(0).text, QStringLiteral("Only the days of the current month are edited!"));
        QCOMPARE(m.boxes.seen.value(0).parent.data(), &m.gadget);

        QCOMPARE(m.click(m.at(day), {"Новая заметка", "<b>milk</b>\r"}),
                 (QList<QStringList>{{"Новая заметка", "Редактировать", "Показать список заметок"}, {"Enter note text:"}}));
        const QString added("select NOTEDATE || ' ' || NOTETIME from notes where NOTETEXT = '%1'");
        QCOMPARE(m.data.scalar(added.arg("<b>milk</b>")).toString(), QStringLiteral("2026-06-10 09:30:00.000"));
        QCOMPARE(indexOf(m.model(), day).data(Qt::BackgroundRole), QVariant(QColor(Qt::yellow)));
        m.click(m.at(day), {"Новая заметка", "ignored\x1b"});
        m.click(m.at(day), {"Новая заметка", "\b\r"});  // an empty text is not stored
        QCOMPARE(m.stored(), QStringLiteral("<b>milk</b>"));

        // The second of two equal notes is edited: the menu tells them apart by ID.
        m.data.exec("INSERT INTO notes (NOTETEXT, NOTEDATE) VALUES ('<b>milk</b>', '2026-06-10')");
        QCOMPARE(m.click(m.at(day), {"Редактировать", "<b>milk</b>", "bread\r"}).mid(1),
                 (QList<QStringList>{{"<b>milk</b>", "<b>milk</b>"}, {"<b>milk</b>"}}));
        QCOMPARE(m.stored(), QStringLiteral("<b>milk</b>|bread"));
        QCOMPARE(m.data.scalar(added.arg("bread")).toString(), QStringLiteral("2026-06-10 09:30:00.000"));
        QCOMPARE(m.click(m.at(day), {"Показать список заметок"}).value(1), (QStringList{"<b>milk</b>", "", "bread", ""}));

        // The tip shows one note a line, as typed, and stays up.
        m.gadget.activateWindow();  // tips show over the active window only
        QVERIFY(QTest::qWaitForWindowActive(&m.gadget));
        QTest::mouseMove(m.gadget.windowHandle(), m.at(day) + QPoint(1, 1));
        QTRY_VERIFY(QToolTip::isVisible());
        QTest::qWait(600);  // a tip the view took back would be gone by now
        QVERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().contains(QRegularExpression("&lt;b&gt;milk&lt;/b&gt;(<br>)?\\nbread")),
                 qPrintable(QToolTip::text()));

        m.boxes.answer(QMessageBox::Cancel);
        m.click(m.at(day), {"Редактировать", "bread", "delete"});
        QCOMPARE(m.boxes.seen.last().text, QStringLiteral("Do you really want to delete the selected?"));
        QCOMPARE(m.stored(), QStringLiteral("<b>milk</b>|bread"));
        m.click(m.at(day), {"Редактировать", "bread", "delete"});  // answered OK
        m.click(m.at(day), {"Редактировать", "<b>milk</b>", "delete"});
        QCOMPARE(indexOf(m.model(), day).data(Qt::BackgroundRole), QVariant());
        QCOMPARE(m.gadget.findChildren<QMenu*>().size(), 1);  // the day menu, built once, not at each use

        // The month menu's third entry is March; one whose name does not read back still means its month.
        auto* monthButton = m.gadget.findChild<QToolButton*>("monthButton");
        const QString march = QLocale::system().monthName(3, QLocale::LongFormat);
        QCOMPARE(m.click(monthButton->geometry().center(), {march}, Qt::LeftButton).value(0).indexOf(march), 2);
        QTRY_COMPARE(monthButton->text(), march);
        QAction* may = m.gadget.findChildren<QMenu*>().last()->actions().at(4);
        may->setText("no month at all");
        may->trigger();
        QCOMPARE(m.model().month, 5);
    }

    // On 1280 x 800 the year view fits, the month view gets its size back; both kept; the year rules all twelve.
    void windowStaysOnTheScreenAndKeepsItsPlace()
    {
        Fixture f(QDate(2026, 9, 3));
        f.platform.fake.screens = {QRect(0, 0, 1280, 800)};
        auto window = std::make_unique<myQtCalendar_>();
        window->show();
        const QSize month = window->size();
        const auto choose = [&window](const QString& entry) {
            for (QAction* a : window->findChildren<QAction*>())
                if (a->text() == entry)
                    a->trigger();
        };
        for (const QString view : {"Год", "Месяц", "Год"}) {
            choose(view);
            QTRY_VERIFY(view == "Год" ? window->width() > 3 * 350 : window->size() == month);
            QVERIFY(QRect(0, 0, 1280, 800).contains(window->frameGeometry()));
        }
        window->move(33, 44);
        const QRect place(window->pos(), window->size());
        choose("Запомнить позицию");
        window = std::make_unique<myQtCalendar_>();  // a restart
        QCOMPARE(QRect(window->pos(), window->size()), place);
        const auto twelve = window->findChildren<CalendarGadget*>();
        QVERIFY(std::all_of(twelve.begin(), twelve.end(), [&](CalendarGadget* g) { return g->isVisibleTo(window.get()); }));
        window->centralWidget()->findChild<QSpinBox*>("yearSpin", Qt::FindDirectChildrenOnly)->setValue(2031);
        window->findChild<QComboBox*>("weekStartCombo")->setCurrentIndex(6);  // January and December, weeks from Sunday
        QCOMPARE(twelve.first()->calendarModel()->index(0, 0).data(Qt::UserRole).toDate(), QDate(2030, 12, 29));
        QCOMPARE(twelve.last()->calendarModel()->index(0, 0).data(Qt::UserRole).toDate(), QDate(2031, 11, 30));
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
