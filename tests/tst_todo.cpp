#include "boxanswerer.h"
#include "testdatadir.h"

#include "resources/resources.h"
#include "todo/todolist.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemDelegate>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

const QString kNewTask = QStringLiteral("Новая задача");

// One sticker on a private database; the window goes before the database.
struct Sticker {
    TestDataDir data;
    BoxAnswerer boxes;
    std::unique_ptr<ToDoList> list;
    QTableWidget* table = nullptr;

    explicit Sticker(const QStringList& arrange = {})
    {
        data.open();
        for (const QString& sql : arrange)
            data.exec(sql);
        list = std::make_unique<ToDoList>();
        table = list->findChild<QTableWidget*>(QStringLiteral("notesWidget"));
    }

    qint64 addTask(int day, const QString& text, bool done = false) const
    {
        data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, '%2', %3)")
                      .arg(day).arg(text).arg(done ? 1 : 0));
        return data.scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
    }

    QVariant stored(const QString& column, qint64 id) const
    {
        return data.scalar(QStringLiteral("select %1 from to_do_list where ID = %2").arg(column).arg(id));
    }

    bool showDay(int day)
    {
        list->set_day(day);
        list->show_notes();
        list->activateWindow();
        return QTest::qWaitForWindowActive(list.get());
    }

    QStringList shownTexts() const
    {
        QStringList texts;
        for (int r = 0; r < table->rowCount(); ++r)
            texts << (table->item(r, 1) ? table->item(r, 1)->text() : QStringLiteral("<no item>"));
        return texts;
    }

    QPoint cellCentre(int row, int column) const
    {
        return table->visualRect(table->model()->index(row, column)).center();
    }

    void click(int row, int column) const
    {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cellCentre(row, column));
    }

    // Opens the table's context menu as a right click would and picks the
    // action named `choice`; returns the texts the menu offered.
    QStringList chooseFromMenu(const QString& choice) const
    {
        QStringList offered;
        bool iconsPresent = true;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            const auto actions = menu->actions();
            for (QAction* a : actions) {
                offered << a->text();
                iconsPresent = iconsPresent && !a->icon().isNull();
                if (a->text() == choice)
                    menu->setActiveAction(a);
            }
            QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
        });
        const QPoint at = cellCentre(0, 1);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table->viewport(), &event);
        if (!iconsPresent)
            offered << QStringLiteral("<missing icon>");
        return offered;
    }

    // What the text delegate paints for a cell, on white and unselected.
    QImage paintedText(int row) const
    {
        QImage image(240, 30, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled;
        table->itemDelegateForColumn(1)->paint(&painter, option, table->model()->index(row, 1));
        return image;
    }
};

QImage referenceText(const QString& text, const QFont& font, bool struck)
{
    QImage image(240, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont f = font;
    f.setStrikeOut(struck);
    painter.setFont(f);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
    return image;
}

int followTimerId(QObject* object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    for (const auto& t : timers) {
        if (t.interval == 60000)  // a coarse minute timer is kept as a very coarse one
            return t.timerId;
    }
    return -1;
}

}  // namespace

class TestToDo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { orvoInitResources(); }
    void cleanup() { ToDoList::setDateSource({}); }

    void showsNewestFirst_data();
    void showsNewestFirst();
    void headersFollowTheWeekday_data();
    void headersFollowTheWeekday();
    void settingsShapeTheWindow_data();
    void settingsShapeTheWindow();
    void failedSettingsReadKeepsAPlainWindow();
    void addFromMenuMakesNewRowCurrent();
    void deleteAsksAndRemovesCurrentTask_data();
    void deleteAsksAndRemovesCurrentTask();
    void closeHidesUntilShownAgain();
    void doneClickStoresAndStrikesOut();
    void selectionTintsOnlyTheTextColumn_data();
    void selectionTintsOnlyTheTextColumn();
    void editStoresTheEditedRow_data();
    void editStoresTheEditedRow();
    void failedUpdateShowsStoredValue_data();
    void failedUpdateShowsStoredValue();
    void failedStatementLeavesStoredTasks_data();
    void failedStatementLeavesStoredTasks();
    void openEditorSurvivesRebuildAndDestruction_data();
    void openEditorSurvivesRebuildAndDestruction();
    void followsTodayOnlyWhenVisibleAndFlagged_data();
    void followsTodayOnlyWhenVisibleAndFlagged();
    void skinSetsTopMarginAndIsPainted_data();
    void skinSetsTopMarginAndIsPainted();
    void savingSkinRebuildsOnlyAVisibleSticker_data();
    void savingSkinRebuildsOnlyAVisibleSticker();
};

void TestToDo::showsNewestFirst_data()
{
    QTest::addColumn<QStringList>("inserted");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("three") << QStringList{"first", "second", "third"} << QStringList{"third", "second", "first"};
    QTest::newRow("one") << QStringList{"only"} << QStringList{"only"};
    QTest::newRow("none") << QStringList{} << QStringList{};
}

void TestToDo::showsNewestFirst()
{
    QFETCH(QStringList, inserted);
    QFETCH(QStringList, shown);
    Sticker s;
    s.addTask(2, "other weekday");
    QList<qint64> ids;
    for (const QString& text : inserted)
        ids.prepend(s.addTask(4, text));
    s.list->set_day(4);
    s.list->show_notes();

    QVERIFY(s.list->isVisible());
    QCOMPARE(s.shownTexts(), shown);
    for (int r = 0; r < ids.size(); ++r)
        QCOMPARE(s.table->item(r, 2)->data(Qt::DisplayRole).toLongLong(), ids.at(r));
    QCOMPARE(s.table->currentRow(), shown.isEmpty() ? -1 : 0);
    QVERIFY(s.boxes.seen.isEmpty());
}

void TestToDo::headersFollowTheWeekday_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<bool>("named");
    QTest::newRow("before any weekday") << 0 << false;
    QTest::newRow("Monday") << 1 << true;
    QTest::newRow("Sunday") << 7 << true;
    QTest::newRow("out of range") << 8 << false;
}

void TestToDo::headersFollowTheWeekday()
{
    QFETCH(int, day);
    QFETCH(bool, named);
    Sticker s;
    s.list->set_day(day);
    s.list->show_notes();

    const QString title = s.list->windowTitle();
    QCOMPARE(!title.isEmpty(), named);
    if (named)
        QCOMPARE(title, QLocale::system().dayName(day, QLocale::LongFormat));
    auto header = [&](int c) { return s.table->horizontalHeaderItem(c)->text(); };
    QCOMPARE(header(0), QString(QChar(0x2714)));
    QCOMPARE(header(1), QStringLiteral("Задачи на ") + title);
    QCOMPARE(header(2), QStringLiteral("id"));
    QVERIFY(s.table->isColumnHidden(2));
    QVERIFY(!s.table->isColumnHidden(1));
    QCOMPARE(s.table->styleSheet(),
             QStringLiteral("QTableWidget {background-color: transparent;}"
                            "QTableCornerButton::section {background-color: transparent;}"));
}

void TestToDo::settingsShapeTheWindow_data()
{
    QTest::addColumn<int>("staysOnTop");
    QTest::addColumn<int>("follow");
    QTest::newRow("plain") << 0 << 0;
    QTest::newRow("on top, following") << 2 << 2;
    QTest::newRow("any non-zero counts") << 1 << 1;
}

void TestToDo::settingsShapeTheWindow()
{
    QFETCH(int, staysOnTop);
    QFETCH(int, follow);
    Sticker s({QStringLiteral("UPDATE settings SET ToDoList_Pos_x = 77, ToDoList_Pos_y = 55, "
                              "ToDoList_Width = 333, ToDoList_Height = 288, ToDoList_StaysOnTop = %1, "
                              "ToDoList_DefaultSectionSize = 37, ToDoGoToCurrentDay = %2")
                   .arg(staysOnTop).arg(follow)});
    const Qt::WindowFlags flags = s.list->windowFlags();
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
    QCOMPARE(flags.testFlag(Qt::WindowStaysOnTopHint), staysOnTop != 0);
    QVERIFY(s.list->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(s.list->pos(), QPoint(77, 55));
    QCOMPARE(s.list->size(), QSize(333, 288));

    s.addTask(1, "a");
    s.addTask(1, "b");
    s.list->set_day(1);
    s.list->show_notes();
    QCOMPARE(s.table->rowHeight(0), 37);
    QCOMPARE(s.table->rowHeight(1), 37);
    s.list->set_section_size(45);
    QCOMPARE(s.table->rowHeight(0), 45);
    QCOMPARE(s.table->rowHeight(1), 45);

    // The stored follow flag alone decides whether the timer moves the day.
    ToDoList::setDateSource([] { return QDate(2024, 1, 3); });  // a Wednesday
    QTimerEvent tick(followTimerId(s.list.get()));
    QApplication::sendEvent(s.list.get(), &tick);
    QCOMPARE(s.list->windowTitle().isEmpty(), false);
    QCOMPARE(s.list->windowTitle() == QLocale::system().dayName(3, QLocale::LongFormat), follow != 0);
}

void TestToDo::failedSettingsReadKeepsAPlainWindow()
{
    Sticker s({QStringLiteral("ALTER TABLE settings RENAME TO settings_gone")});
    QCOMPARE(s.boxes.seen.size(), 1);
    QCOMPARE(s.boxes.seen.first().title, QStringLiteral("Error"));
    QVERIFY(!s.boxes.seen.first().hadParent);
    QVERIFY(!s.list->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!s.list->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(s.list->size(), QSize(314, 272));
    QVERIFY(!s.list->isVisible());
}

void TestToDo::addFromMenuMakesNewRowCurrent()
{
    Sticker s;
    s.addTask(5, "older");
    QVERIFY(s.showDay(5));
    s.click(0, 0);  // leaves "older" done, so the new task must not inherit that
    QTRY_VERIFY(s.table->item(0, 0) && s.table->item(0, 0)->data(Qt::DisplayRole).toBool());

    const QStringList offered = s.chooseFromMenu(QStringLiteral("Добавить"));
    QCOMPARE(offered, (QStringList{"Добавить", "Удалить", "Закрыть"}));
    QCOMPARE(s.shownTexts(), (QStringList{kNewTask, "older"}));
    QCOMPARE(s.table->item(0, 0)->data(Qt::DisplayRole).toBool(), false);
    QCOMPARE(s.table->currentRow(), 0);
    const qint64 id = s.table->item(0, 2)->data(Qt::DisplayRole).toLongLong();
    QCOMPARE(s.stored("text", id).toString(), kNewTask);
    QCOMPARE(s.stored("day", id).toInt(), 5);
    QCOMPARE(s.stored("done", id).toInt(), 0);
}

void TestToDo::deleteAsksAndRemovesCurrentTask_data()
{
    QTest::addColumn<int>("tasks");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("no rows: nothing asked") << 0 << int(QMessageBox::Ok) << false << false;
    QTest::newRow("cancel") << 3 << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("ok") << 3 << int(QMessageBox::Ok) << true << true;
}

void TestToDo::deleteAsksAndRemovesCurrentTask()
{
    QFETCH(int, tasks);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, deleted);
    Sticker s;
    for (int i = 0; i < tasks; ++i)
        s.addTask(6, QStringLiteral("task %1").arg(i));
    QVERIFY(s.showDay(6));
    qint64 target = 0;
    if (tasks > 0) {
        s.click(1, 1);  // the current row is not the first one
        target = s.table->item(1, 2)->data(Qt::DisplayRole).toLongLong();
    }
    s.boxes.answer(QMessageBox::StandardButton(answer));
    s.chooseFromMenu(QStringLiteral("Удалить"));

    QCOMPARE(s.boxes.seen.size(), asked ? 1 : 0);
    if (asked) {
        const SeenBox& box = s.boxes.seen.first();
        QCOMPARE(box.title, QStringLiteral("Удаление"));
        QCOMPARE(box.text, QStringLiteral("Вы действительно хотите удалить выделенное?"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons.size(), 2);
        QCOMPARE(box.parent.data(), static_cast<QWidget*>(s.list.get()));
    }
    QCOMPARE(s.data.scalar("select count(*) from to_do_list").toInt(), deleted ? tasks - 1 : tasks);
    QCOMPARE(s.stored("ID", target).isValid(), tasks > 0 && !deleted);
    QCOMPARE(s.table->rowCount(), deleted ? tasks - 1 : tasks);
}

void TestToDo::closeHidesUntilShownAgain()
{
    Sticker s;
    s.addTask(1, "a");
    QVERIFY(s.showDay(1));
    s.chooseFromMenu(QStringLiteral("Закрыть"));
    QVERIFY(!s.list->isVisible());
    s.list->show_notes();
    QVERIFY(s.list->isVisible());
    QCOMPARE(s.shownTexts(), QStringList{"a"});
}

void TestToDo::doneClickStoresAndStrikesOut()
{
    Sticker s;
    s.addTask(3, "lower");
    const qint64 id = s.addTask(3, "Buy milk");
    QVERIFY(s.showDay(3));
    const QString fontText = QStringLiteral("DejaVu Sans,14,-1,5,50,0,0,0,0,0");
    s.list->set_font(fontText);
    s.list->set_text_color(Qt::black);
    QFont font;
    font.fromString(fontText);
    s.click(1, 1);  // start from another row: the click must act on its own row

    for (const bool done : {true, false}) {
        s.click(0, 0);
        QCOMPARE(s.stored("done", id).toInt(), done ? 1 : 0);
        QTRY_COMPARE(s.table->item(0, 0)->data(Qt::DisplayRole).toBool(), done);
        QCOMPARE(s.table->currentRow(), 0);
        QCOMPARE(s.table->currentColumn(), 0);
        const QImage painted = s.paintedText(0);
        QCOMPARE(painted, referenceText("Buy milk", font, done));
        QVERIFY(painted != referenceText("Buy milk", font, !done));
        QCOMPARE(s.stored("done", id - 1).toInt(), 0);
    }
}

void TestToDo::selectionTintsOnlyTheTextColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QColor>("corner");
    // The tint (123, 195, 240) at alpha 100 laid over white.
    QTest::newRow("text, selected") << 1 << true << QColor(203, 231, 249);
    QTest::newRow("text, not selected") << 1 << false << QColor(Qt::white);
    QTest::newRow("done box, selected") << 0 << true << QColor(Qt::white);
}

void TestToDo::selectionTintsOnlyTheTextColumn()
{
    QFETCH(int, column);
    QFETCH(bool, selected);
    QFETCH(QColor, corner);
    Sticker s;
    s.addTask(2, "x");
    s.list->set_day(2);
    s.list->show_notes();
    QImage image(200, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | (selected ? QStyle::State_Selected : QStyle::State_None);
        s.table->itemDelegateForColumn(column)->paint(&painter, option, s.table->model()->index(0, column));
    }
    const QColor painted = image.pixelColor(image.width() - 2, 1);
    QVERIFY2(qAbs(painted.red() - corner.red()) <= 2 && qAbs(painted.green() - corner.green()) <= 2
                 && qAbs(painted.blue() - corner.blue()) <= 2,
             qPrintable(painted.name()));
}

void TestToDo::editStoresTheEditedRow_data()
{
    QTest::addColumn<QString>("finish");
    QTest::addColumn<bool>("kept");
    QTest::newRow("enter") << "enter" << true;
    QTest::newRow("click on another row") << "click" << true;
    QTest::newRow("escape abandons") << "escape" << false;
}

void TestToDo::editStoresTheEditedRow()
{
    QFETCH(QString, finish);
    QFETCH(bool, kept);
    Sticker s;
    const qint64 a = s.addTask(1, "a");
    const qint64 b = s.addTask(1, "b");
    const qint64 c = s.addTask(1, "c");
    s.data.exec("CREATE TABLE writes (ID INTEGER)");
    s.data.exec("CREATE TRIGGER count_writes AFTER UPDATE ON to_do_list BEGIN INSERT INTO writes VALUES (new.ID); END");
    QVERIFY(s.showDay(1));
    s.click(0, 1);  // the text delegate last served task c
    QTest::keyClick(s.table, Qt::Key_Down);
    QTest::keyClick(s.table, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("b"));
    QVERIFY(!editor->hasSelectedText());
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, "edited");

    if (finish == "enter")
        QTest::keyClick(editor, Qt::Key_Return);
    else if (finish == "click")
        s.click(0, 1);
    else
        QTest::keyClick(editor, Qt::Key_Escape);

    const QString expected = kept ? QStringLiteral("edited") : QStringLiteral("b");
    QCOMPARE(s.stored("text", b).toString(), expected);
    QCOMPARE(s.stored("text", c).toString(), QStringLiteral("c"));
    QCOMPARE(s.stored("text", a).toString(), QStringLiteral("a"));
    QTRY_COMPARE(s.shownTexts(), (QStringList{"c", expected, "a"}));
    QTRY_VERIFY(!s.table->findChild<QLineEdit*>());
    QCOMPARE(s.table->currentRow(), finish == "click" ? 0 : 1);
    // One edit, one write: closing the editor must not report it again.
    QCOMPARE(s.data.scalar("select count(*) from writes").toInt(), kept ? 1 : 0);
    QVERIFY(s.boxes.seen.isEmpty());
}

void TestToDo::failedUpdateShowsStoredValue_data()
{
    QTest::addColumn<bool>("viaText");
    QTest::newRow("done flag") << false;
    QTest::newRow("text") << true;
}

void TestToDo::failedUpdateShowsStoredValue()
{
    QFETCH(bool, viaText);
    Sticker s;
    const qint64 id = s.addTask(4, "kept");
    s.data.exec("CREATE TRIGGER refuse BEFORE UPDATE ON to_do_list BEGIN SELECT RAISE(ABORT, 'refused by test'); END");
    QVERIFY(s.showDay(4));
    if (viaText) {
        s.click(0, 1);
        QTest::keyClick(s.table, Qt::Key_F2);
        QTest::keyClicks(QApplication::focusWidget(), "X");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else {
        s.click(0, 0);
    }
    QCOMPARE(s.boxes.seen.size(), 1);
    QCOMPARE(s.boxes.seen.first().title, QStringLiteral("Error"));
    QVERIFY(s.boxes.seen.first().text.contains("refused by test"));
    QCOMPARE(s.boxes.seen.first().parent.data(), static_cast<QWidget*>(s.list.get()));
    QCOMPARE(s.stored("text", id).toString(), QStringLiteral("kept"));
    QCOMPARE(s.stored("done", id).toInt(), 0);
    QTRY_COMPARE(s.table->item(0, 1)->text(), QStringLiteral("kept"));
    QTRY_COMPARE(s.table->item(0, 0)->data(Qt::DisplayRole).toBool(), false);
}

void TestToDo::failedStatementLeavesStoredTasks_data()
{
    QTest::addColumn<QString>("refuse");
    QTest::addColumn<QString>("menuChoice");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<bool>("boxOverWindow");
    QTest::newRow("insert") << "BEFORE INSERT" << "Добавить" << 2 << true;
    QTest::newRow("delete") << "BEFORE DELETE" << "Удалить" << 2 << true;
    QTest::newRow("select") << "" << "" << 0 << false;
}

void TestToDo::failedStatementLeavesStoredTasks()
{
    QFETCH(QString, refuse);
    QFETCH(QString, menuChoice);
    QFETCH(int, rowsAfter);
    QFETCH(bool, boxOverWindow);
    Sticker s;
    s.addTask(7, "one");
    s.addTask(7, "two");
    QVERIFY(s.showDay(7));
    if (refuse.isEmpty()) {
        s.data.exec("ALTER TABLE to_do_list RENAME TO tasks_gone");
        s.list->show_notes();
    } else {
        s.data.exec(QStringLiteral("CREATE TRIGGER refuse %1 ON to_do_list BEGIN SELECT RAISE(ABORT, 'no'); END")
                        .arg(refuse));
        s.boxes.answer(QMessageBox::Ok);  // the deletion question
        s.chooseFromMenu(menuChoice);
    }
    const SeenBox& error = s.boxes.seen.last();
    QCOMPARE(error.title, QStringLiteral("Error"));
    QCOMPARE(error.hadParent, boxOverWindow);
    QCOMPARE(s.table->rowCount(), rowsAfter);
    QCOMPARE(s.table->columnCount(), 3);
    QVERIFY(s.list->isVisible());
}

void TestToDo::openEditorSurvivesRebuildAndDestruction_data()
{
    QTest::addColumn<QString>("closer");
    QTest::newRow("row height changed") << "rebuild";
    QTest::newRow("task added") << "insert";
    QTest::newRow("sticker destroyed") << "destroy";
}

void TestToDo::openEditorSurvivesRebuildAndDestruction()
{
    QFETCH(QString, closer);
    Sticker s;
    const qint64 id = s.addTask(2, "draft");
    QVERIFY(s.showDay(2));
    s.click(0, 1);
    QTest::keyClick(s.table, Qt::Key_F2);
    QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClicks(editor, " typed");

    if (closer == "rebuild") {
        s.list->set_section_size(33);
    } else if (closer == "insert") {
        s.chooseFromMenu(QStringLiteral("Добавить"));
    } else {
        s.list.reset();
        QTRY_VERIFY(!editor);
        QCOMPARE(s.stored("text", id).toString(), QStringLiteral("draft"));
        return;
    }
    // The editor's text is not lost when a rebuild takes the editor away.
    QCOMPARE(s.stored("text", id).toString(), QStringLiteral("draft typed"));
    QTRY_VERIFY(!editor);
    QTRY_VERIFY(s.shownTexts().contains(QStringLiteral("draft typed")));
    QVERIFY(s.boxes.seen.isEmpty());
}

void TestToDo::followsTodayOnlyWhenVisibleAndFlagged_data()
{
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("follow");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("shownAfter");
    const QDate tuesday(2024, 1, 2);
    QTest::newRow("visible, following, after midnight") << true << true << tuesday << "tuesday task";
    QTest::newRow("hidden") << false << true << tuesday << "monday task";
    QTest::newRow("not following") << true << false << tuesday << "monday task";
    QTest::newRow("same day: no rebuild") << true << true << QDate(2024, 1, 1) << "monday task";
}

void TestToDo::followsTodayOnlyWhenVisibleAndFlagged()
{
    QFETCH(bool, visible);
    QFETCH(bool, follow);
    QFETCH(QDate, today);
    QFETCH(QString, shownAfter);
    Sticker s;
    s.addTask(1, "monday task");
    s.addTask(2, "tuesday task");
    s.list->set_go_to_current_day(follow);
    s.list->set_day(1);
    s.list->show_notes();
    if (!visible)
        s.list->hide();
    s.addTask(1, "added unseen");  // only a rebuild would show it

    const int timer = followTimerId(s.list.get());
    QVERIFY(timer > 0);
    ToDoList::setDateSource([today] { return today; });
    QTimerEvent tick(timer);
    QApplication::sendEvent(s.list.get(), &tick);

    QCOMPARE(s.list->isVisible(), visible);
    if (!visible)
        s.list->show_notes();  // shows whatever weekday it still holds
    QCOMPARE(s.shownTexts().last(), shownAfter);
    QCOMPARE(s.table->rowCount(), visible ? 1 : 2);
}

void TestToDo::skinSetsTopMarginAndIsPainted_data()
{
    QTest::addColumn<bool>("skinExists");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("topMargin");
    QTest::newRow("272 high") << true << QSize(314, 272) << 8;
    QTest::newRow("500 high") << true << QSize(400, 500) << 15;
    QTest::newRow("missing skin") << false << QSize(314, 272) << 0;
}

void TestToDo::skinSetsTopMarginAndIsPainted()
{
    QFETCH(bool, skinExists);
    QFETCH(QSize, size);
    QFETCH(int, topMargin);
    Sticker s;
    const QString path = s.data.root() + "/skin.png";
    if (skinExists) {
        QImage skin(40, 30, QImage::Format_ARGB32);
        skin.fill(QColor(200, 30, 40));
        QVERIFY(skin.save(path));
    }
    s.list->set_skin(path);
    s.list->resize(size);
    s.list->show_notes();
    QCOMPARE(s.list->size(), size);

    auto* layout = s.list->findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    QVERIFY(layout);
    QCOMPARE(layout->contentsMargins().top(), topMargin);
    const QImage shot = s.list->grab().toImage();
    const QColor corner = shot.pixelColor(1, 1);
    const QColor farCorner = shot.pixelColor(size.width() - 2, size.height() / 2);
    QCOMPARE(corner, skinExists ? QColor(200, 30, 40) : QColor(Qt::transparent));
    QCOMPARE(farCorner, corner);
}

void TestToDo::savingSkinRebuildsOnlyAVisibleSticker_data()
{
    QTest::addColumn<bool>("visible");
    QTest::newRow("visible") << true;
    QTest::newRow("hidden") << false;
}

void TestToDo::savingSkinRebuildsOnlyAVisibleSticker()
{
    QFETCH(bool, visible);
    Sticker s;
    s.addTask(3, "first");
    s.list->set_day(3);
    s.list->show_notes();
    if (!visible)
        s.list->hide();
    s.addTask(3, "second");
    s.list->save_skin(4);
    QCOMPARE(s.data.scalar("select ToDoList_Skin_Sticker from settings").toInt(), 4);
    QCOMPARE(s.list->isVisible(), visible);
    QCOMPARE(s.table->rowCount(), visible ? 2 : 1);
}

QTEST_MAIN(TestToDo)
#include "tst_todo.moc"
