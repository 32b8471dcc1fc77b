// The calendar: the month grid and its marks, the day menu and the note
// dialog through real clicks, and the window's year, first weekday,
// geometry and view.
#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"

#include "calendar/addnote.h"
#include "calendar/calendargadget.h"
#include "calendar/calendarmodel.h"
#include "calendar/monthgrid.h"
#include "calendar/myqtcalendar.h"
#include "resources/resources.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <functional>

namespace {

// Today is fixed; the database is private; boxes are answered.
struct Fixture
{
    explicit Fixture(const QDate& today = QDate(2026, 6, 15))
    {
        platform.fake.now = QDateTime(today, QTime(9, 30));
        data.open();
    }
    void note(const QString& date, const QString& text) const
    {
        data.exec(QStringLiteral("INSERT INTO notes (NOTETEXT, NOTEDATE, NOTETIME) VALUES ('%1', '%2', '08:00')")
                      .arg(text, date));
    }
    QString stored() const
    {
        return data.scalar("select group_concat(NOTETEXT || '@' || NOTEDATE, '|') from notes").toString();
    }

    FakePlatformScope platform;
    TestDataDir data;
    BoxAnswerer boxes;
};

QModelIndex indexOf(const QAbstractItemModel& model, const QDate& day)
{
    for (int at = 0; at < monthgrid::kDays; ++at) {
        const QModelIndex index = model.index(at / 7, at % 7);
        if (index.data(Qt::UserRole).toDate() == day)
            return index;
    }
    return QModelIndex();
}

// Answers popup menus from a timer: records each menu's entries ("|" for a
// separator) and picks the queued entry, or closes the menu unanswered.
class MenuPicker : public QObject
{
public:
    MenuPicker()
    {
        connect(&timer, &QTimer::timeout, this, &MenuPicker::poll);
        timer.start(5);
    }
    QStringList choices;
    QList<QStringList> shown;

private:
    void poll()
    {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || pending)
            return;
        pending = true;
        QStringList entries;
        const QString choice = choices.isEmpty() ? QString() : choices.takeFirst();
        QAction* pick = nullptr;  // the last entry with that text
        for (QAction* a : menu->actions()) {
            entries << (a->isSeparator() ? QStringLiteral("|") : a->text());
            pick = !a->isSeparator() && a->text() == choice ? a : pick;
        }
        shown << entries;
        // Picking runs the entry's slot with its own modal loops: not from here.
        QTimer::singleShot(0, menu, [this, menu, pick] {
            pending = false;
            menu->setActiveAction(pick);
            QTest::keyClick(menu, pick ? Qt::Key_Return : Qt::Key_Escape);
        });
    }
    QTimer timer;
    bool pending = false;
};

// One month view on the screen, driven by the mouse.
struct Month : Fixture
{
    explicit Month(int year = 2026, int month = 6)
    {
        gadget.calendarModel()->year = year;
        gadget.calendarModel()->month = month;
        gadget.calendarModel()->updateModel();
        gadget.resize(400, 330);
        gadget.show();
        gadget.activateWindow();
        boxes.onDialog([this](QDialog* dialog) {
            QTimer::singleShot(0, dialog, [this, dialog] {
                answerNote(qobject_cast<addNote*>(dialog));
                dialog->setProperty("answered", false);  // the dialog is reused
            });
        });
    }
    QTableView* view() { return gadget.findChild<QTableView*>("view"); }
    CalendarModel& model() { return *gadget.calendarModel(); }

    void press(QWidget* on, QPoint at, Qt::MouseButton button = Qt::RightButton)
    {
        QTest::mouseClick(gadget.windowHandle(), button, {}, on->mapTo(&gadget, at));
    }
    void rightClick(const QDate& day) { press(view()->viewport(), view()->visualRect(indexOf(model(), day)).center()); }
    QStringList dayMenu(const QDate& day, const QString& choice, const QString& second = {})
    {
        menus.choices = QStringList{choice, second};
        menus.shown.clear();
        rightClick(day);
        return menus.shown.isEmpty() ? QStringList() : menus.shown.first();
    }
    QVariant background(const QDate& day) { return indexOf(model(), day).data(Qt::BackgroundRole); }

    CalendarGadget gadget;
    MenuPicker menus;
    std::function<void(addNote*)> answerNote = [](addNote* d) { d->reject(); };
};

}  // namespace

class TestCalendar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { orvoInitResources(); }

    void gridRunsFortyTwoDaysFromItsFirstDate_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::newRow("June 2026, Monday: the 1st top left") << 2026 << 6 << 1 << QDate(2026, 6, 1) << QDate(2026, 7, 12);
        QTest::newRow("June 2026, Tuesday") << 2026 << 6 << 2 << QDate(2026, 5, 26) << QDate(2026, 7, 6);
        QTest::newRow("February 2026, Sunday: a January week") << 2026 << 2 << 7 << QDate(2026, 1, 25) << QDate(2026, 3, 7);
        QTest::newRow("January 2027, Friday") << 2027 << 1 << 5 << QDate(2026, 12, 25) << QDate(2027, 2, 4);
        QTest::newRow("leap February 2028, Monday") << 2028 << 2 << 1 << QDate(2028, 1, 31) << QDate(2028, 3, 12);
        QTest::newRow("year 0: a blank grid") << 0 << 5 << 1 << QDate() << QDate();
    }

    void gridRunsFortyTwoDaysFromItsFirstDate()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, firstDay);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        Fixture f;
        QCOMPARE(monthgrid::firstDate(year, month, firstDay), first);
        QCOMPARE(monthgrid::lastDate(year, month, firstDay), last);
        CalendarModel model;
        model.year = year;
        model.month = month;
        model.firstDayOfWeek = firstDay;
        model.updateModel();
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QLocale::system().dayName(firstDay, QLocale::ShortFormat));
        int ofMonth = 0;
        for (int at = 0; at < monthgrid::kDays; ++at) {
            const QModelIndex index = model.index(at / 7, at % 7);
            const QDate day = index.data(Qt::UserRole).toDate();
            QCOMPARE(day, first.isValid() ? first.addDays(at) : QDate());
            QCOMPARE(index.data().toInt(), day.day());
            ofMonth += day.month() == month ? 1 : 0;
        }
        QCOMPARE(ofMonth, QDate(year, month, 1).daysInMonth());
    }

    void cellColoursFollowTheirPrecedence_data()
    {
        QTest::addColumn<QDate>("shown");  // year and month of the grid
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("noted");
        QTest::addColumn<QVariant>("background");
        QTest::addColumn<QVariant>("foreground");
        const QDate june(2026, 6, 1), today(2026, 6, 15);
        const QVariant none, red = QColor(Qt::red), gray = QColor(Qt::lightGray), yellow = QColor(Qt::yellow),
                             green = QColor(Qt::darkGreen);
        QTest::newRow("weekday") << june << today << QDate(2026, 6, 10) << false << none << none;
        QTest::newRow("Saturday") << june << today << QDate(2026, 6, 13) << false << none << red;
        QTest::newRow("noted") << june << today << QDate(2026, 6, 10) << true << yellow << none;
        QTest::newRow("noted neighbour Sunday") << june << today << QDate(2026, 7, 5) << true << gray << red;
        QTest::newRow("today") << june << today << today << false << green << none;
        QTest::newRow("today, noted") << june << today << today << true << yellow << none;
        QTest::newRow("today's date in another year") << june << QDate(2025, 6, 16) << QDate(2026, 6, 16) << false
                                                      << green << none;
        QTest::newRow("today as a neighbour day") << june << QDate(2026, 7, 3) << QDate(2026, 7, 3) << false << gray
                                                  << none;
        QTest::newRow("noted, last day of 9999") << QDate(9999, 12, 1) << today << QDate(9999, 12, 31) << true
                                                 << yellow << none;
    }

    void cellColoursFollowTheirPrecedence()
    {
        QFETCH(QDate, shown);
        QFETCH(QDate, today);
        QFETCH(QDate, day);
        QFETCH(bool, noted);
        QFETCH(QVariant, background);
        QFETCH(QVariant, foreground);
        Fixture f(today);
        if (noted)
            f.note(day.toString("yyyy-MM-dd"), "n");
        CalendarModel model;
        model.year = shown.year();
        model.month = shown.month();
        model.updateModel();
        const QModelIndex index = indexOf(model, day);
        QCOMPARE(index.data(Qt::BackgroundRole), background);
        QCOMPARE(index.data(Qt::ForegroundRole), foreground);
        QVERIFY(f.boxes.seen.isEmpty());
    }

    void modelPassesTheTester()
    {
        Fixture f;
        f.note("2026-06-03", "a");
        CalendarModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.updateModel();  // the tester has already read the cells before the first rebuild
        model.year = 0;
        model.updateModel();
        QCOMPARE(model.rowCount(), 6);
    }

    void hoverShowsTheDaysNotesOnePerLine()
    {
        Month m;
        for (const char* text : {"<b>first</b>", "second", "third"})
            m.note("2026-06-18", text);
        m.model().updateModel();
        QVERIFY(QTest::qWaitForWindowActive(&m.gadget));
        const QPoint at = m.view()->visualRect(indexOf(m.model(), QDate(2026, 6, 18))).center();
        QTest::mouseMove(m.gadget.windowHandle(), m.view()->viewport()->mapTo(&m.gadget, at));
        QTRY_VERIFY(QToolTip::isVisible());
        QTest::qWait(600);  // a tip the view took back would be gone by now
        QVERIFY(QToolTip::isVisible());
        const QString text = QToolTip::text();
        // Shown as typed, markup included.
        const QRegularExpression lines("^(<p>)?&lt;b&gt;first&lt;/b&gt;(<br>)?\\nsecond(<br>)?\\nthird");
        QVERIFY2(lines.match(text).hasMatch(), qPrintable(text));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(Qt::darkYellow));
        QToolTip::hideText();
    }

    void rightClickOutsideTheMonthOnlyExplains_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QPoint>("cell");  // column, row
        QTest::addColumn<bool>("menu");
        QTest::newRow("neighbour day") << 2026 << QPoint(0, 0) << false;
        QTest::newRow("blank day of year 0") << 0 << QPoint(2, 2) << false;
        QTest::newRow("day of the month") << 2026 << QPoint(2, 2) << true;
    }

    void rightClickOutsideTheMonthOnlyExplains()
    {
        QFETCH(int, year);
        QFETCH(QPoint, cell);
        QFETCH(bool, menu);
        Month m(year, 7);  // July 2026 starts on a Wednesday
        m.press(m.view()->viewport(), m.view()->visualRect(m.model().index(cell.y(), cell.x())).center());
        QTRY_COMPARE(m.menus.shown.size() + m.boxes.seen.size(), 1);
        QCOMPARE(m.menus.shown.size(), menu ? 1 : 0);
        if (menu) {
            QCOMPARE(m.menus.shown.first(), (QStringList{"Новая заметка", "Редактировать", "Показать список заметок"}));
            return;
        }
        const SeenBox& box = m.boxes.seen.first();
        QCOMPARE(box.title + '|' + box.text, QStringLiteral("Error|Only the days of the current month are edited!"));
        QCOMPARE(box.parent.data(), &m.gadget);
    }

    void notesAreAddedEditedAndDeletedThroughTheDialog()
    {
        Month m;
        const QDate day(2026, 6, 10);
        QStringList seen;  // title, text, whether all of it was selected, delete button
        auto write = [&](const QString& text, const char* finish) {
            m.answerNote = [&seen, text, finish](addNote* d) {
                seen = QStringList{d->windowTitle(), d->noteEdit->text(), d->noteEdit->selectedText(),
                                   d->deleteButton->isVisible() ? "delete" : "-"};
                QTest::keyClicks(d->noteEdit, text);  // typing replaces the selection
                if (text.isEmpty())
                    QTest::keyClick(d->noteEdit, Qt::Key_Backspace);
                if (QByteArray(finish) == "escape")
                    QTest::keyClick(d->noteEdit, Qt::Key_Escape);
                else
                    QTest::mouseClick(QByteArray(finish) == "ok" ? d->okButton : d->deleteButton, Qt::LeftButton);
            };
        };
        write("Buy milk", "ok");
        m.dayMenu(day, "Новая заметка");
        QCOMPARE(seen, (QStringList{day.toString(Qt::TextDate), "Enter note text:", "Enter note text:", "-"}));
        QCOMPARE(m.stored(), QStringLiteral("Buy milk@2026-06-10"));
        QCOMPARE(m.background(day), QVariant(QColor(Qt::yellow)));
        for (const char* finish : {"escape", "ok"}) {  // nothing, then an empty text: neither is stored
            write(finish == QByteArray("ok") ? "" : "ignored", finish);
            m.dayMenu(day, "Новая заметка");
        }
        QCOMPARE(m.stored(), QStringLiteral("Buy milk@2026-06-10"));

        // The second of two equal notes is edited: the menu tells them apart by ID.
        m.note("2026-06-10", "Buy milk");
        m.platform.fake.now = QDateTime(QDate(2026, 6, 15), QTime(17, 45, 5));
        write("Buy bread", "ok");
        QCOMPARE(m.dayMenu(day, "Редактировать", "Buy milk"),
                 (QStringList{"Новая заметка", "Редактировать", "Показать список заметок"}));
        QCOMPARE(m.menus.shown.at(1), (QStringList{"Buy milk", "Buy milk"}));
        QCOMPARE(seen.mid(1), (QStringList{"Buy milk", "Buy milk", "delete"}));
        QCOMPARE(m.stored(), QStringLiteral("Buy milk@2026-06-10|Buy bread@2026-06-10"));
        QVERIFY(m.data.scalar("select NOTETIME from notes where NOTETEXT = 'Buy bread'").toString().startsWith("17:45:05"));

        m.dayMenu(day, "Показать список заметок");
        QCOMPARE(m.menus.shown.at(1), (QStringList{"Buy milk", "|", "Buy bread", "|"}));

        for (const auto answer : {QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Ok}) {
            m.boxes.answer(answer);
            write("", "delete");
            m.dayMenu(day, "Редактировать", m.data.scalar("select NOTETEXT from notes").toString());
        }
        QCOMPARE(m.stored(), QString());
        QCOMPARE(m.background(day), QVariant());
        QCOMPARE(m.boxes.seen.last().text, QStringLiteral("Do you really want to delete the selected?"));
        // However often it is used, the day menu is the gadget's only one.
        QCOMPARE(m.gadget.findChildren<QMenu*>().size(), 1);
    }

    void failedNoteWriteShowsTheDriverErrorOverTheView()
    {
        Month m;
        m.data.exec("CREATE TRIGGER refuse BEFORE INSERT ON notes BEGIN SELECT RAISE(ABORT, 'refused by test'); END");
        m.answerNote = [](addNote* d) { QTest::mouseClick(d->okButton, Qt::LeftButton); };
        m.dayMenu(QDate(2026, 6, 10), "Новая заметка");
        QCOMPARE(m.boxes.seen.size(), 1);
        QCOMPARE(m.boxes.seen.first().title, QStringLiteral("Error"));
        QVERIFY(m.boxes.seen.first().text.contains("refused by test"));
        QCOMPARE(m.boxes.seen.first().parent.data(), &m.gadget);
        QCOMPARE(m.stored(), QString());
    }

    void headerRowNavigatesMonths_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("to");
        QTest::newRow("next from December: January") << 12 << "next" << 1;
        QTest::newRow("previous from January: December") << 1 << "prev" << 12;
        QTest::newRow("third menu entry") << 6 << "menu" << 3;
        QTest::newRow("unreadable menu entry") << 6 << "garbled" << 3;
    }

    void headerRowNavigatesMonths()
    {
        QFETCH(int, from);
        QFETCH(QString, action);
        QFETCH(int, to);
        Month m(2026, from);
        auto* monthButton = m.gadget.findChild<QToolButton*>("monthButton");
        if (action == "menu" || action == "garbled") {
            m.press(monthButton, monthButton->rect().center(), Qt::LeftButton);  // builds the menu; closed unanswered
            QTRY_COMPARE(m.menus.shown.size(), 1);
            QMenu* menu = m.gadget.findChild<QMenu*>();
            if (action == "garbled")
                menu->actions().at(2)->setText("no month at all");
            m.menus.choices << menu->actions().at(2)->text();
            m.press(monthButton, monthButton->rect().center(), Qt::LeftButton);
            QTRY_COMPARE(m.menus.shown.size(), 2);
            QCOMPARE(m.menus.shown.first().size(), 12);
        } else {
            auto* arrow = m.gadget.findChild<QPushButton*>(action + "Button");
            m.press(arrow, arrow->rect().center(), Qt::LeftButton);
        }
        QTRY_COMPARE(m.model().month, to);
        QCOMPARE(m.model().year, 2026);
        QCOMPARE(monthButton->text(), QLocale::system().monthName(to, QLocale::LongFormat));
        QCOMPARE(m.model().index(2, 0).data(Qt::UserRole).toDate().month(), to);
    }

    void windowSetsYearAndFirstWeekdayOfAllTwelve()
    {
        Fixture f;
        myQtCalendar_ window;
        QVERIFY(window.windowTitle().endsWith(" " + f.data.databasePath()));
        const auto gadgets = window.findChildren<CalendarGadget*>();
        QCOMPARE(gadgets.size(), 12);
        window.centralWidget()->findChild<QSpinBox*>("yearSpin", Qt::FindDirectChildrenOnly)->setValue(2031);
        window.centralWidget()->findChild<QComboBox*>("weekStartCombo")->setCurrentIndex(6);
        for (int m = 1; m <= 12; ++m) {
            CalendarModel& model = *gadgets.at(m - 1)->calendarModel();
            const QDate first = model.index(0, 0).data(Qt::UserRole).toDate();
            QCOMPARE(first, monthgrid::firstDate(2031, m, Qt::Sunday));
            QCOMPARE(first.dayOfWeek(), int(Qt::Sunday));
            QCOMPARE(gadgets.at(m - 1)->findChild<QSpinBox*>("yearSpin")->value(), 2031);
        }
    }

    void positionAndViewSurviveARestart_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("monthView");
        QTest::newRow("month view") << QStringList{"Месяц"} << QSize(420, 340) << true;
        QTest::newRow("month, then year view") << QStringList{"Месяц", "Год"} << QSize(1100, 700) << false;
    }

    void positionAndViewSurviveARestart()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QSize, size);
        QFETCH(bool, monthView);
        Fixture f(QDate(2026, 9, 3));
        auto visibleViews = [](myQtCalendar_& w) {
            QList<int> months;
            const auto gadgets = w.findChildren<CalendarGadget*>();
            for (int i = 0; i < gadgets.size(); ++i)
                months << (gadgets.at(i)->isVisibleTo(&w) ? i + 1 : 0);
            months.removeAll(0);
            return months;
        };
        auto choose = [](myQtCalendar_& w, const QString& text) {
            for (QAction* a : w.menuBar()->actions().first()->menu()->actions())
                if (a->text() == text)
                    a->trigger();
        };
        {
            myQtCalendar_ window;
            for (const QString& text : chosen)
                choose(window, text);
            window.move(33, 44);
            window.resize(size);
            choose(window, "Запомнить позицию");
        }
        myQtCalendar_ window;
        QCOMPARE(window.pos(), QPoint(33, 44));
        QCOMPARE(window.size(), size);
        const QList<int> views = monthView ? QList<int>{9} : QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QCOMPARE(visibleViews(window), views);
        QCOMPARE(window.centralWidget()->findChild<QComboBox*>("weekStartCombo")->isVisibleTo(&window), !monthView);
        QVERIFY(f.boxes.seen.isEmpty());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
