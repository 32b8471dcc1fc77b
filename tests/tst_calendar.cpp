// The calendar: the month grid and its marks, the day menu and the note
// dialog through real clicks, and the window's year, weekday, geometry and view.
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

// Today is fixed, the database private, boxes answered.
struct Fixture
{
    explicit Fixture(const QDate& today = QDate(2026, 6, 15))
    {
        platform.fake.now = QDateTime(today, QTime(9, 30));
        data.open();
    }
    void note(const QDate& day, const QString& text) const
    {
        data.exec(QStringLiteral("INSERT INTO notes (NOTETEXT, NOTEDATE) VALUES ('%1', '%2')")
                      .arg(text, day.toString(Qt::ISODate)));
    }
    QString stored() const { return data.scalar("select group_concat(NOTETEXT || '@' || NOTEDATE, '|') from notes").toString(); }

    FakePlatformScope platform;
    TestDataDir data;
    BoxAnswerer boxes;
};

QModelIndex indexOf(const QAbstractItemModel& model, const QDate& day)
{
    for (int at = 0; at < monthgrid::kDays; ++at) {
        if (model.index(at / 7, at % 7).data(Qt::UserRole).toDate() == day)
            return model.index(at / 7, at % 7);
    }
    return QModelIndex();
}

// Answers popup menus: records their entries ("|" for a separator) and picks
// the last entry with the next queued text, or closes the menu.
struct MenuPicker : QObject
{
    QStringList choices;
    QList<QStringList> shown;
    QTimer timer;
    bool pending = false;

    MenuPicker()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || pending)
                return;
            pending = true;
            const QString choice = choices.isEmpty() ? QString() : choices.takeFirst();
            QAction* pick = nullptr;
            shown.append(QStringList());
            for (QAction* a : menu->actions()) {
                shown.last() << (a->isSeparator() ? QStringLiteral("|") : a->text());
                pick = !choice.isEmpty() && a->text() == choice ? a : pick;
            }
            // The entry's slot runs modal loops of its own: not from inside this one.
            QTimer::singleShot(0, menu, [this, menu, pick] {
                pending = false;
                menu->setActiveAction(pick);
                QTest::keyClick(menu, pick ? Qt::Key_Return : Qt::Key_Escape);
            });
        });
        timer.start(5);
    }
};

// One month view on the screen, driven by the mouse.
struct Month : Fixture
{
    explicit Month(int year = 2026, int month = 6)
    {
        model().year = year;
        model().month = month;
        model().updateModel();
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
    CalendarModel& model() { return *gadget.calendarModel(); }
    QTableView* view() { return gadget.findChild<QTableView*>("view"); }
    void press(QWidget* on, QPoint at, Qt::MouseButton button = Qt::RightButton)
    {
        QTest::mouseClick(gadget.windowHandle(), button, {}, on->mapTo(&gadget, at));
    }
    QPoint centre(const QModelIndex& cell) { return view()->visualRect(cell).center(); }
    // Right-clicks `day` and answers the day menu and the one it opens.
    QStringList dayMenu(const QDate& day, const QString& choice, const QString& then = {})
    {
        menus.choices = QStringList{choice, then};
        menus.shown.clear();
        press(view()->viewport(), centre(indexOf(model(), day)));
        return menus.shown.value(1);
    }

    CalendarGadget gadget;
    MenuPicker menus;
    std::function<void(addNote*)> answerNote;
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
        model.year = year;
        model.month = month;
        model.firstDayOfWeek = firstDay;
        model.updateModel();
        QCOMPARE(monthgrid::firstDate(year, month, firstDay), first);
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
        QTest::newRow("today's date, another year") << june << QDate(2025, 6, 16) << QDate(2026, 6, 16) << false << green << none;
        QTest::newRow("today, neighbour day") << june << QDate(2026, 7, 3) << QDate(2026, 7, 3) << false << gray << none;
        QTest::newRow("noted, last day of 9999") << QDate(9999, 12, 1) << today << QDate(9999, 12, 31) << true << yellow << none;
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
            f.note(day, "n");
        CalendarModel model;
        model.year = shown.year();
        model.month = shown.month();
        model.updateModel();
        QCOMPARE(indexOf(model, day).data(Qt::BackgroundRole), background);
        QCOMPARE(indexOf(model, day).data(Qt::ForegroundRole), foreground);
    }

    void modelPassesTheTester()
    {
        Fixture f;
        f.note(QDate(2026, 6, 3), "a");
        CalendarModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.updateModel();  // the tester has read every cell before the first rebuild
        model.year = 0;
        model.updateModel();
    }

    void hoverShowsTheDaysNotesOnePerLine()
    {
        Month m;
        for (const char* text : {"<b>first</b>", "second", "third"})
            m.note(QDate(2026, 6, 18), text);
        m.model().updateModel();
        QVERIFY(QTest::qWaitForWindowActive(&m.gadget));
        const QPoint at = m.centre(indexOf(m.model(), QDate(2026, 6, 18)));
        QTest::mouseMove(m.gadget.windowHandle(), m.view()->viewport()->mapTo(&m.gadget, at));
        QTRY_VERIFY(QToolTip::isVisible());
        QTest::qWait(600);  // a tip the view took back would be gone by now
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(Qt::darkYellow));
        // Shown as typed, markup included.
        const QRegularExpression lines("^(<p>)?&lt;b&gt;first&lt;/b&gt;(<br>)?\\nsecond(<br>)?\\nthird");
        QVERIFY2(lines.match(QToolTip::text()).hasMatch(), qPrintable(QToolTip::text()));
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
        m.press(m.view()->viewport(), m.centre(m.model().index(cell.y(), cell.x())));
        QTRY_COMPARE(m.menus.shown.size() + m.boxes.seen.size(), 1);
        QCOMPARE(m.menus.shown.size(), menu ? 1 : 0);
        if (menu) {
            QCOMPARE(m.menus.shown.first(), (QStringList{"Новая заметка", "Редактировать", "Показать список заметок"}));
            return;
        }
        QCOMPARE(m.boxes.seen.first().text, QStringLiteral("Only the days of the current month are edited!"));
        QCOMPARE(m.boxes.seen.first().parent.data(), &m.gadget);
    }

    void notesAreAddedEditedAndDeletedThroughTheDialog()
    {
        Month m;
        const QDate day(2026, 6, 10);
        QStringList seen;  // title, text, selected text, delete button
        auto write = [&](const QString& text, Qt::Key finish) {
            m.answerNote = [&seen, text, finish](addNote* d) {
                seen = QStringList{d->windowTitle(), d->noteEdit->text(), d->noteEdit->selectedText(),
                                   d->deleteButton->isVisible() ? "delete" : "-"};
                QTest::keyClicks(d->noteEdit, text.isEmpty() ? QStringLiteral("\b") : text);  // replaces the selection
                if (finish == Qt::Key_Escape)
                    QTest::keyClick(d->noteEdit, finish);
                else
                    QTest::mouseClick(finish == Qt::Key_Return ? d->okButton : d->deleteButton, Qt::LeftButton);
            };
        };
        write("Buy milk", Qt::Key_Return);
        m.dayMenu(day, "Новая заметка");
        QCOMPARE(seen, (QStringList{day.toString(Qt::TextDate), "Enter note text:", "Enter note text:", "-"}));
        QCOMPARE(m.stored(), QStringLiteral("Buy milk@2026-06-10"));
        QCOMPARE(indexOf(m.model(), day).data(Qt::BackgroundRole), QVariant(QColor(Qt::yellow)));
        write("ignored", Qt::Key_Escape);
        m.dayMenu(day, "Новая заметка");
        write("", Qt::Key_Return);  // an empty text is not stored
        m.dayMenu(day, "Новая заметка");
        QCOMPARE(m.stored(), QStringLiteral("Buy milk@2026-06-10"));

        // The second of two equal notes is edited: the menu tells them apart by ID.
        m.note(day, "Buy milk");
        m.platform.fake.now.setTime(QTime(17, 45, 5));
        write("Buy bread", Qt::Key_Return);
        QCOMPARE(m.dayMenu(day, "Редактировать", "Buy milk"), (QStringList{"Buy milk", "Buy milk"}));
        QCOMPARE(seen.mid(1), (QStringList{"Buy milk", "Buy milk", "delete"}));
        QCOMPARE(m.stored(), QStringLiteral("Buy milk@2026-06-10|Buy bread@2026-06-10"));
        QVERIFY(m.data.scalar("select NOTETIME from notes where NOTETEXT = 'Buy bread'").toString().startsWith("17:45:05"));
        QCOMPARE(m.dayMenu(day, "Показать список заметок"), (QStringList{"Buy milk", "|", "Buy bread", "|"}));

        for (const auto answer : {QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Ok}) {
            const int before = m.data.scalar("select count(*) from notes").toInt();
            m.boxes.answer(answer);
            write("", Qt::Key_Delete);
            m.dayMenu(day, "Редактировать", m.data.scalar("select NOTETEXT from notes").toString());
            QCOMPARE(m.boxes.seen.last().text, QStringLiteral("Do you really want to delete the selected?"));
            QCOMPARE(m.data.scalar("select count(*) from notes").toInt(), before - (answer == QMessageBox::Ok));
        }
        QCOMPARE(indexOf(m.model(), day).data(Qt::BackgroundRole), QVariant());
        // However often it is used, the day menu is the gadget's only one.
        QCOMPARE(m.gadget.findChildren<QMenu*>().size(), 1);

        m.data.exec("CREATE TRIGGER refuse BEFORE INSERT ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END");
        write("lost", Qt::Key_Return);
        m.dayMenu(day, "Новая заметка");
        QCOMPARE(m.boxes.seen.last().title + '|' + m.boxes.seen.last().text.left(7), QStringLiteral("Error|refused"));
        QCOMPARE(m.boxes.seen.last().parent.data(), &m.gadget);
    }

    void monthMenuShowsTheChosenMonth_data()
    {
        QTest::addColumn<bool>("garbled");
        QTest::newRow("third entry") << false;
        QTest::newRow("unreadable entry") << true;
    }

    void monthMenuShowsTheChosenMonth()
    {
        QFETCH(bool, garbled);
        Month m;
        auto* monthButton = m.gadget.findChild<QToolButton*>("monthButton");
        m.press(monthButton, monthButton->rect().center(), Qt::LeftButton);  // builds the menu; closed unanswered
        QTRY_COMPARE(m.menus.shown.size(), 1);
        QAction* third = m.gadget.findChild<QMenu*>()->actions().at(2);
        if (garbled)
            third->setText("no month at all");
        m.menus.choices << third->text();
        m.press(monthButton, monthButton->rect().center(), Qt::LeftButton);
        QTRY_COMPARE(m.model().month, 3);
        QCOMPARE(m.model().year, 2026);
        QCOMPARE(monthButton->text(), QLocale::system().monthName(3, QLocale::LongFormat));
        QCOMPARE(m.model().index(2, 0).data(Qt::UserRole).toDate().month(), 3);
    }

    void windowSetsYearAndFirstWeekdayOfAllTwelve()
    {
        Fixture f;
        myQtCalendar_ window;
        QVERIFY(window.windowTitle().endsWith(" " + f.data.databasePath()));
        const auto gadgets = window.findChildren<CalendarGadget*>();
        QCOMPARE(gadgets.size(), 12);
        window.centralWidget()->findChild<QSpinBox*>("yearSpin", Qt::FindDirectChildrenOnly)->setValue(2031);
        window.findChild<QComboBox*>("weekStartCombo")->setCurrentIndex(6);
        for (int m = 1; m <= 12; ++m) {
            const QDate first = gadgets.at(m - 1)->calendarModel()->index(0, 0).data(Qt::UserRole).toDate();
            QCOMPARE(first, monthgrid::firstDate(2031, m, Qt::Sunday));
            QCOMPARE(gadgets.at(m - 1)->findChild<QSpinBox*>("yearSpin")->value(), 2031);
        }
    }

    void positionAndViewSurviveARestart_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("months");
        QTest::newRow("month view: today's month") << QStringList{"Месяц"} << QSize(420, 340) << QList<int>{9};
        QTest::newRow("month, then year view") << QStringList{"Месяц", "Год"} << QSize(1100, 700)
                                               << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    }

    void positionAndViewSurviveARestart()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QSize, size);
        QFETCH(QList<int>, months);
        Fixture f(QDate(2026, 9, 3));
        {
            myQtCalendar_ window;
            window.move(33, 44);
            window.resize(size);
            for (const QString& text : chosen << "Запомнить позицию") {
                for (QAction* a : window.menuBar()->actions().first()->menu()->actions()) {
                    if (a->text() == text)
                        a->trigger();
                }
            }
        }
        myQtCalendar_ window;
        QCOMPARE(window.pos(), QPoint(33, 44));
        QCOMPARE(window.size(), size);
        QList<int> shown;
        const auto gadgets = window.findChildren<CalendarGadget*>();
        for (int m = 1; m <= 12; ++m) {
            if (gadgets.at(m - 1)->isVisibleTo(&window))
                shown.append(m);
        }
        QCOMPARE(shown, months);
        QCOMPARE(window.findChild<QComboBox*>("weekStartCombo")->isVisibleTo(&window), months.size() == 12);
        QVERIFY(f.boxes.seen.isEmpty());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
