#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"

#include "resources/resources.h"
#include "todo/todolist.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemDelegate>
#include <QDesktopServices>
#include <QFileDialog>
#include <QSizeGrip>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One sticker on a private database; the window goes before the database.
struct Sticker {
    TestDataDir data;
    BoxAnswerer boxes;
    std::unique_ptr<ToDoList> list;
    QTableWidget* table = nullptr;

    explicit Sticker(const QString& arrange = {})
    {
        data.open();
        if (!arrange.isEmpty())
            data.exec(arrange);
        list = std::make_unique<ToDoList>();
        table = list->findChild<QTableWidget*>(QStringLiteral("notesWidget"));
    }

    qint64 addTask(int day, const QString& text) const
    {
        data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, '%2', 0)").arg(day).arg(text));
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

    bool shownDone(int row) const { return table->item(row, 0)->data(Qt::DisplayRole).toBool(); }
    qint64 shownId(int row) const { return table->item(row, 2)->data(Qt::DisplayRole).toLongLong(); }

    void click(int row, int column) const
    {
        const QPoint at = table->visualRect(table->model()->index(row, column)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    }

    // Opens the context menu of the table (or of `on`) as a right click
    // would and picks `choice`; returns the texts offered, with a note if an
    // action lacks its icon.
    QStringList chooseFromMenu(const QString& choice, QWidget* on = nullptr) const
    {
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* a : menu->actions()) {
                offered << a->text() + (a->icon().isNull() ? QStringLiteral(" <no icon>") : QString());
                if (a->text() == choice)
                    menu->setActiveAction(a);
            }
            QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
        });
        QWidget* target = on ? on : table->viewport();
        const QPoint at = on ? QPoint(3, 3) : table->visualRect(table->model()->index(0, 1)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        return offered;
    }

    QTabWidget* strip() const { return list->findChild<QTabWidget*>(QStringLiteral("tabWidget")); }

    // A cell as the sticker shows it, with its skin behind.
    QImage shownCell(int row, int column) const
    {
        const QRect cell = table->visualRect(table->model()->index(row, column));
        return list->grab(QRect(table->viewport()->mapTo(list.get(), cell.topLeft()), cell.size())).toImage();
    }
};

}  // namespace

class TestToDo : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's handler of local files.
    void openUrl(const QUrl& url) { opened.append(url); }

private:
    QList<QUrl> opened;

private slots:
    void initTestCase()
    {
        orvoInitResources();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    }

    void listsTheDaysTasksNewestFirst_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<QStringList>("inserted");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("Thursday, three") << 4 << QStringList{"first", "second", "third"}
                                         << QStringList{"third", "second", "first"};
        QTest::newRow("Sunday, one") << 7 << QStringList{"only"} << QStringList{"only"};
        QTest::newRow("weekday 0: no name, nothing") << 0 << QStringList{} << QStringList{};
    }

    void listsTheDaysTasksNewestFirst()
    {
        QFETCH(int, day);
        QFETCH(QStringList, inserted);
        QFETCH(QStringList, shown);
        Sticker s;
        s.addTask(2, "other weekday");
        for (const QString& text : inserted)
            s.addTask(day, text);
        s.list->set_day(day);
        s.list->show_notes();

        QVERIFY(s.list->isVisible());
        const QString title = s.list->windowTitle();
        QCOMPARE(title, day == 0 ? QString() : QLocale::system().dayName(day, QLocale::LongFormat));
        QCOMPARE(s.table->horizontalHeaderItem(1)->text(), QStringLiteral("Задачи на ") + title);
        QVERIFY(s.table->isColumnHidden(2) && !s.table->isColumnHidden(1));
        QCOMPARE(s.shownTexts(), shown);
        QCOMPARE(s.table->currentRow(), shown.isEmpty() ? -1 : 0);
        QVERIFY(s.boxes.seen.isEmpty());
    }

    void settingsShapeTheWindow_data()
    {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<bool>("onTop");
        const QString stored = QStringLiteral(
            "UPDATE settings SET ToDoList_Pos_x = 77, ToDoList_Pos_y = 55, ToDoList_Width = 333, "
            "ToDoList_Height = 288, ToDoList_StaysOnTop = %1, ToDoList_DefaultSectionSize = 37");
        QTest::newRow("plain") << stored.arg(0) << false;
        QTest::newRow("on top") << stored.arg(2) << true;
        QTest::newRow("unreadable: a plain window") << "ALTER TABLE settings RENAME TO settings_gone" << false;
    }

    void settingsShapeTheWindow()
    {
        QFETCH(QString, arrange);
        QFETCH(bool, onTop);
        Sticker s(arrange);
        const bool read = arrange.startsWith("UPDATE");
        const Qt::WindowFlags flags = s.list->windowFlags();
        QCOMPARE(flags.testFlag(Qt::FramelessWindowHint), read);
        QCOMPARE(s.list->testAttribute(Qt::WA_TranslucentBackground), read);
        QCOMPARE(flags.testFlag(Qt::WindowStaysOnTopHint), onTop);
        QVERIFY(!s.list->isVisible());
        QCOMPARE(s.boxes.seen.size(), read ? 0 : 1);
        if (!read) {
            QCOMPARE(s.boxes.seen.first().title, QStringLiteral("Error"));
            QVERIFY(!s.boxes.seen.first().hadParent);
            return;
        }
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(s.list->geometry(), QRect(77, 55, 333, 288));
        s.addTask(1, "a");
        s.list->set_day(1);
        s.list->show_notes();
        QCOMPARE(s.table->rowHeight(0), 37);
        s.list->set_section_size(45);
        QCOMPARE(s.table->rowHeight(0), 45);
    }

    void menuAddsAndCloses()
    {
        Sticker s;
        s.addTask(5, "older");
        QVERIFY(s.showDay(5));
        s.click(0, 0);  // leaves "older" done, so the new task must not inherit that
        QTRY_VERIFY(s.shownDone(0));

        QCOMPARE(s.chooseFromMenu(QStringLiteral("Добавить")), (QStringList{"Добавить", "Удалить", "Закрыть"}));
        QCOMPARE(s.shownTexts(), (QStringList{QStringLiteral("Новая задача"), "older"}));
        QVERIFY(!s.shownDone(0));
        QCOMPARE(s.table->currentRow(), 0);
        const qint64 id = s.shownId(0);
        QCOMPARE(s.stored("text || day || done", id).toString(), QStringLiteral("Новая задача") + "50");

        s.chooseFromMenu(QStringLiteral("Закрыть"));
        QVERIFY(!s.list->isVisible());
    }

    void deleteAsksAndRemovesCurrentTask_data()
    {
        QTest::addColumn<int>("tasks");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("no rows: nothing asked") << 0 << int(QMessageBox::Ok) << false;
        QTest::newRow("cancel") << 3 << int(QMessageBox::Cancel) << false;
        QTest::newRow("ok") << 3 << int(QMessageBox::Ok) << true;
    }

    void deleteAsksAndRemovesCurrentTask()
    {
        QFETCH(int, tasks);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        Sticker s;
        for (int i = 0; i < tasks; ++i)
            s.addTask(6, QStringLiteral("task %1").arg(i));
        QVERIFY(s.showDay(6));
        qint64 target = 0;
        if (tasks > 0) {
            s.click(1, 1);  // the current row is not the first one
            target = s.shownId(1);
        }
        s.boxes.answer(QMessageBox::StandardButton(answer));
        s.chooseFromMenu(QStringLiteral("Удалить"));

        QCOMPARE(s.boxes.seen.size(), tasks > 0 ? 1 : 0);
        if (tasks > 0) {
            const SeenBox& box = s.boxes.seen.first();
            QCOMPARE(box.title + '|' + box.text, QStringLiteral("Удаление|Вы действительно хотите удалить выделенное?"));
            QCOMPARE(box.icon, QMessageBox::Question);
            QCOMPARE(box.parent.data(), static_cast<QWidget*>(s.list.get()));
        }
        const int left = deleted ? tasks - 1 : tasks;
        QCOMPARE(s.data.scalar("select count(*) from to_do_list").toInt(), left);
        QCOMPARE(s.stored("ID", target).isValid(), tasks > 0 && !deleted);
        QCOMPARE(s.table->rowCount(), left);
    }

    void doneClickStoresAndStrikesOut()
    {
        Sticker s;
        s.addTask(3, "lower");
        const qint64 id = s.addTask(3, "Buy milk");
        QVERIFY(s.showDay(3));
        s.click(1, 1);  // start from another row: the click must act on its own row
        const QImage open = s.shownCell(0, 1);
        for (const bool done : {true, false}) {
            s.click(0, 0);
            QCOMPARE(s.stored("done", id).toInt(), done ? 1 : 0);
            QCOMPARE(s.stored("done", id - 1).toInt(), 0);
            QTRY_COMPARE(s.shownDone(0), done);
            QCOMPARE(s.table->currentIndex(), s.table->model()->index(0, 0));
            s.table->clearSelection();
            // Struck out while done, exactly as before once open again.
            QCOMPARE(s.shownCell(0, 1) == open, !done);
        }
    }

    void selectionTintsTheTextColumnOnly_data()
    {
        QTest::addColumn<QString>("style");
        QTest::newRow("fusion") << "fusion";
        QTest::newRow("windows") << "windows";
    }

    void selectionTintsTheTextColumnOnly()
    {
        QFETCH(QString, style);
        QApplication::setStyle(style);
        Sticker s;
        s.addTask(2, "one");
        s.addTask(2, "two");
        s.list->set_skin(QStringLiteral(":/img/stiker.png"));
        QVERIFY(s.showDay(2));
        s.table->clearSelection();
        const QColor paper = s.shownCell(1, 0).pixelColor(2, 2);
        const QColor text = s.shownCell(1, 1).pixelColor(2, 2);
        s.table->selectRow(1);
        // The check box column keeps the paper; the text column shows it
        // through a light blue tint, not under an opaque highlight.
        QCOMPARE(s.shownCell(1, 0).pixelColor(2, 2), paper);
        const QColor tinted = s.shownCell(1, 1).pixelColor(2, 2);
        QVERIFY2(tinted != text && tinted.blue() > text.blue() && tinted.red() > 150, qPrintable(tinted.name()));
    }

    void longTextSurvivesItsEditor_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::newRow("enter") << true;
        QTest::newRow("click on another task") << false;
    }

    void longTextSurvivesItsEditor()
    {
        QFETCH(bool, enter);
        Sticker s;
        s.addTask(4, "other");
        const QString text = QString(100000, QLatin1Char('x')) + QStringLiteral("end");
        const qint64 id = s.addTask(4, "long");
        s.data.exec(QStringLiteral("UPDATE to_do_list SET text = '%1' WHERE ID = %2").arg(text).arg(id));
        QVERIFY(s.showDay(4));
        s.click(0, 1);
        QTest::keyClick(s.table, Qt::Key_F2);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        if (enter)
            QTest::keyClick(editor, Qt::Key_Return);
        else
            s.click(1, 1);
        QTRY_VERIFY(!editor);
        QCOMPARE(s.stored("text", id).toString(), text);
    }

    void editStoresTheEditedRowOnce_data()
    {
        QTest::addColumn<QString>("finish");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QStringList>("shown");  // empty: the sticker is gone
        QTest::addColumn<int>("current");        // -1: not checked
        const QStringList edited{"c", "edited", "a"};
        QTest::newRow("enter") << "enter" << true << edited << 1;
        QTest::newRow("click on another row") << "click" << true << edited << 0;
        QTest::newRow("escape abandons") << "escape" << false << QStringList{"c", "b", "a"} << 1;
        // An open editor survives a rebuild that takes it away, text and all.
        QTest::newRow("row height changed") << "rebuild" << true << edited << -1;
        QTest::newRow("task added") << "insert" << true << QStringList{"Новая задача", "c", "edited", "a"} << -1;
        QTest::newRow("sticker destroyed") << "destroy" << false << QStringList{} << -1;
    }

    void editStoresTheEditedRowOnce()
    {
        QFETCH(QString, finish);
        QFETCH(bool, kept);
        QFETCH(QStringList, shown);
        QFETCH(int, current);
        Sticker s;
        s.addTask(1, "a");
        const qint64 b = s.addTask(1, "b");
        s.addTask(1, "c");
        s.data.exec("CREATE TABLE writes (ID INTEGER)");
        s.data.exec("CREATE TRIGGER log AFTER UPDATE ON to_do_list BEGIN INSERT INTO writes VALUES (new.ID); END");
        QVERIFY(s.showDay(1));
        s.click(0, 1);  // the text delegate last served task c
        QTest::keyClick(s.table, Qt::Key_Down);
        QTest::keyClick(s.table, Qt::Key_F2);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("b"));
        QVERIFY(!editor->hasSelectedText());
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, "edited");

        if (finish == "enter")
            QTest::keyClick(editor, Qt::Key_Return);
        else if (finish == "click")
            s.click(0, 1);
        else if (finish == "escape")
            QTest::keyClick(editor, Qt::Key_Escape);
        else if (finish == "rebuild")
            s.list->set_section_size(33);
        else if (finish == "insert")
            s.chooseFromMenu(QStringLiteral("Добавить"));
        else
            s.list.reset();

        QTRY_VERIFY(!editor);
        // Closing the editor after it was finished must not report it again.
        QCOMPARE(s.data.scalar("select group_concat(ID) from writes").toString(), kept ? QString::number(b) : QString());
        QCOMPARE(s.stored("text", b).toString(), kept ? QStringLiteral("edited") : QStringLiteral("b"));
        if (s.list)
            QTRY_COMPARE(s.shownTexts(), shown);
        if (current >= 0)
            QCOMPARE(s.table->currentRow(), current);
        QVERIFY(s.boxes.seen.isEmpty());
    }

    void failedStatementKeepsStoredTasks_data()
    {
        QTest::addColumn<QString>("refused");  // empty: the task table is gone
        QTest::addColumn<QString>("action");
        QTest::newRow("done flag") << "UPDATE" << "done";
        QTest::newRow("text") << "UPDATE" << "text";
        QTest::newRow("insert") << "INSERT" << "add";
        QTest::newRow("delete") << "DELETE" << "delete";
        QTest::newRow("select") << "" << "show";
    }

    void failedStatementKeepsStoredTasks()
    {
        QFETCH(QString, refused);
        QFETCH(QString, action);
        Sticker s;
        s.addTask(7, "one");
        s.addTask(7, "two");
        QVERIFY(s.showDay(7));
        if (refused.isEmpty())
            s.data.exec("ALTER TABLE to_do_list RENAME TO tasks_gone");
        else
            s.data.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON to_do_list "
                                       "BEGIN SELECT RAISE(ABORT, 'refused by test'); END").arg(refused));

        if (action == "done") {
            s.click(0, 0);
        } else if (action == "text") {
            s.click(0, 1);
            QTest::keyClick(s.table, Qt::Key_F2);
            QTest::keyClicks(QApplication::focusWidget(), "X");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        } else if (action == "add") {
            s.chooseFromMenu(QStringLiteral("Добавить"));
        } else if (action == "delete") {
            s.boxes.answer(QMessageBox::Ok);  // the deletion question
            s.chooseFromMenu(QStringLiteral("Удалить"));
        } else {
            s.list->show_notes();
        }

        const SeenBox& error = s.boxes.seen.last();
        QCOMPARE(error.title, QStringLiteral("Error"));
        QVERIFY(s.list->isVisible());
        if (refused.isEmpty()) {
            QVERIFY(!error.hadParent);
            QCOMPARE(s.table->rowCount(), 0);
            return;
        }
        QVERIFY(error.text.contains("refused by test"));
        QCOMPARE(error.parent.data(), static_cast<QWidget*>(s.list.get()));
        QCOMPARE(s.data.scalar("select group_concat(text || done) from to_do_list").toString(), QStringLiteral("one0,two0"));
        // The table shows what is stored again, not what the user tried.
        QTRY_COMPARE(s.shownTexts(), (QStringList{"two", "one"}));
        QTRY_VERIFY(!s.shownDone(0) && !s.shownDone(1));
    }

    void rebuildsOnlyWhileVisible_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("follow");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("shown");
        const QDate monday(2024, 1, 1), tuesday(2024, 1, 2);
        const QStringList unchanged{"monday task"};
        QTest::newRow("new day, visible, following") << "tick" << true << 2 << tuesday << QStringList{"tuesday task"};
        QTest::newRow("new day, hidden") << "tick" << false << 2 << tuesday << unchanged;
        QTest::newRow("new day, not following") << "tick" << true << 0 << tuesday << unchanged;
        QTest::newRow("same day") << "tick" << true << 2 << monday << unchanged;
        QTest::newRow("skin saved, visible") << "skin" << true << 0 << monday << QStringList{"added unseen", "monday task"};
        QTest::newRow("skin saved, hidden") << "skin" << false << 0 << monday << unchanged;
    }

    void rebuildsOnlyWhileVisible()
    {
        QFETCH(QString, action);
        QFETCH(bool, visible);
        QFETCH(int, follow);
        QFETCH(QDate, today);
        QFETCH(QStringList, shown);
        Sticker s(QStringLiteral("UPDATE settings SET ToDoGoToCurrentDay = %1").arg(follow));
        s.addTask(1, "monday task");
        s.addTask(2, "tuesday task");
        s.list->set_day(1);
        s.list->show_notes();
        if (!visible)
            s.list->hide();
        s.addTask(1, "added unseen");  // only a rebuild would show it

        if (action == "skin") {
            s.list->save_skin(4);
            QCOMPARE(s.data.scalar("select ToDoList_Skin_Sticker from settings").toInt(), 4);
        } else {
            int timer = -1;  // the minute timer
            for (const auto& t : QAbstractEventDispatcher::instance()->registeredTimers(s.list.get()))
                timer = t.interval == 60000 ? t.timerId : timer;
            QVERIFY(timer > 0);
            FakePlatformScope platform;
            platform.fake.now = QDateTime(today, QTime(0, 1));
            QTimerEvent tick(timer);
            QApplication::sendEvent(s.list.get(), &tick);
        }
        QCOMPARE(s.list->isVisible(), visible);
        QCOMPARE(s.shownTexts(), shown);
    }

    void skinFillsTheWindow()
    {
        Sticker s;
        const QString path = s.data.root() + "/skin.png";
        s.list->set_skin(path);  // not there yet: nothing is painted
        s.list->resize(314, 272);
        s.list->show_notes();
        QCOMPARE(s.list->grab().toImage().pixelColor(1, 1), QColor(Qt::transparent));

        QImage skin(40, 30, QImage::Format_ARGB32);
        skin.fill(QColor(200, 30, 40));
        QVERIFY(skin.save(path));
        s.list->set_skin(path);
        s.list->resize(400, 500);
        const QImage shot = s.list->grab().toImage();
        QCOMPARE(shot.pixelColor(1, 1), QColor(200, 30, 40));
        QCOMPARE(shot.pixelColor(398, 250), QColor(200, 30, 40));
        // The table starts below the skin's top band.
        QCOMPARE(s.list->findChild<QGridLayout*>(QStringLiteral("gridLayout"))->contentsMargins().top(), 15);

        // Chosen while hidden: painted, stretched, at the next show.
        s.list->hide();
        skin.fill(QColor(20, 90, 200));
        QVERIFY(skin.save(path + ".png"));  // a new name: loading caches by name and time
        s.list->set_skin(path + ".png");
        s.list->show_notes();
        QCOMPARE(s.list->grab().toImage().pixelColor(398, 498), QColor(20, 90, 200));
    }

    void stripFollowsTheCurrentTask()
    {
        Sticker s;
        const qint64 lower = s.addTask(3, "shown second");
        s.addTask(3, "shown first");
        for (const char* name : {"a.txt", "b.txt"})
            s.data.exec(QStringLiteral("INSERT INTO attachments (filename, attach, ID_TODO, link) VALUES ('%1', '', %2, 1)")
                            .arg(name).arg(lower));
        const int b = s.data.scalar("select max(ID) from attachments").toInt();
        QVERIFY(s.showDay(3));
        QCOMPARE(s.strip()->count(), 0);
        s.click(1, 1);
        QCOMPARE(s.strip()->count(), 2);
        QCOMPARE(s.strip()->tabText(0) + s.strip()->tabText(1), QStringLiteral("ВложениеВложение"));
        const auto* page = qobject_cast<QLabel*>(s.strip()->currentWidget());
        QCOMPARE(page->text() + page->property("ID").toString(), "b.txt" + QString::number(b));

        s.boxes.answer(QMessageBox::Ok);
        s.chooseFromMenu(QStringLiteral("Удалить"), s.strip());
        QCOMPARE(s.boxes.seen.value(0).text, QStringLiteral("Вы действительно хотите удалить вложение"));
        QCOMPARE(s.data.scalar("select group_concat(filename) from attachments").toString(), QStringLiteral("a.txt"));
        // The rebuild makes the first task current, whose strip is empty.
        QCOMPARE(s.table->currentRow(), 0);
        QCOMPARE(s.strip()->count(), 0);
    }

    void geometryIsStoredAndRestored_data()
    {
        QTest::addColumn<bool>("grip");  // else the window's own margin
        QTest::addColumn<int>("button");
        QTest::addColumn<QRect>("after");
        QTest::newRow("left drag") << false << int(Qt::LeftButton) << QRect(130, 80, 314, 372);
        QTest::newRow("right drag: stored, not moved") << false << int(Qt::RightButton) << QRect(100, 100, 314, 372);
        QTest::newRow("size grip") << true << int(Qt::LeftButton) << QRect(100, 100, 344, 352);
    }

    void geometryIsStoredAndRestored()
    {
        QFETCH(bool, grip);
        QFETCH(int, button);
        QFETCH(QRect, after);
        Sticker s("UPDATE settings SET ToDoList_Pos_x = 100, ToDoList_Pos_y = 100, ToDoList_Width = 314, ToDoList_Height = 372");
        QVERIFY(s.showDay(1));
        // What the gesture changes must be written again.
        s.data.exec(QStringLiteral("UPDATE settings SET ToDoList_%1 = -1, ToDoList_%2 = -1")
                        .arg(grip ? "Width" : "Pos_x", grip ? "Height" : "Pos_y"));
        QWidget* on = grip ? static_cast<QWidget*>(s.list->findChild<QSizeGrip*>()) : s.list.get();
        const QPoint from = on->mapToGlobal(QPoint(3, 3));
        const auto b = Qt::MouseButton(button);
        using Step = QPair<QEvent::Type, QPoint>;  // the grabbed point must stay under the cursor
        for (const auto& [type, by] : {Step{QEvent::MouseButtonPress, {0, 0}}, Step{QEvent::MouseMove, {15, -10}},
                                       Step{QEvent::MouseMove, {30, -20}}, Step{QEvent::MouseButtonRelease, {30, -20}}}) {
            QMouseEvent event(type, on->mapFromGlobal(from + by), from + by, type == QEvent::MouseMove ? Qt::NoButton : b,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
            QApplication::sendEvent(on, &event);
        }
        QCOMPARE(s.list->geometry(), after);
        const QString stored = "select ToDoList_Pos_x || ',' || ToDoList_Pos_y || ',' || ToDoList_Width || ',' "
                               "|| ToDoList_Height from settings";
        QCOMPARE(s.data.scalar(stored).toString(),
                 QStringLiteral("%1,%2,%3,%4").arg(after.x()).arg(after.y()).arg(after.width()).arg(after.height()));

        s.list = std::make_unique<ToDoList>();  // a restart
        QVERIFY(s.showDay(1));
        QCOMPARE(s.list->geometry(), after);
    }

    void attachmentsGoInAndComeBack_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("arrange");   // what stands in the way of saving, or the folder saved in
        QTest::addColumn<QString>("stored");    // filename, the content's first bytes, its type, link
        QTest::addColumn<QStringList>("boxes"); // after the how-to-store question: icon, title, text
        QTest::addColumn<QString>("result");    // what the save path holds afterwards
        const QString copy = QStringLiteral("Сохранить копию документа в базу");
        const QString few = QStringLiteral("doc.bin|X'0000000B78'|blob0");
        const QStringList asked{QStringLiteral("? Открытие Открыть файл? $/out/doc.bin")};
        const QStringList damaged{
            QStringLiteral("x Error! Копия документа в базе повреждена или отсутствует, файл не сохранён: $/out/doc.bin")};
        QTest::newRow("few bytes") << 11ll << copy << "" << few << asked << "source";
        QTest::newRow("empty: created, nothing asked")
            << 0ll << copy << "" << "doc.bin|X'00000000'|blob0" << QStringList{} << "source";
        QTest::newRow("exactly 50 MiB") << 52428800ll << copy << "" << "doc.bin|X'0320000078'|blob0" << asked << "source";
        QTest::newRow("a byte more") << 52428801ll << copy << "" << ""
            << QStringList{"i Error Файлы больше 50 Мегабайт необходимо сохранять как ссылку на файл."} << "none";
        QTest::newRow("link: opened at once")
            << 11ll << "Сохранить ссылку на документ в базе" << "" << "$/doc.bin|''|text1" << QStringList{} << "none";
        QTest::newRow("cancel") << 11ll << "Отмена" << "" << "" << QStringList{} << "none";
        QTest::newRow("gone before it was read") << 11ll << copy << "gone" << "doc.bin|NULL|null0"
            << (QStringList{"! ВНИМАНИЕ Невозможно открыть файл! $/doc.bin"} + damaged) << "none";
        QTest::newRow("over a file") << 11ll << copy << "file" << few << asked << "source";
        QTest::newRow("damaged, over a file: kept") << 11ll << copy << "damaged" << few << damaged << "old";
        QTest::newRow("a folder in the way")
            << 11ll << copy << "folder" << few << QStringList{"! ВНИМАНИЕ Невозможно удалить файл! $/out/doc.bin"}
            << "folder";
        // Not even root may create a file there.
        QTest::newRow("unwritable folder") << 11ll << copy << "/proc" << few << QStringList{"x Error! *"} << "none";
        QTest::newRow("start folder blocked") << 11ll << copy << "blocked" << few << QStringList{"! ERR! no way"} << "none";
    }

    void attachmentsGoInAndComeBack()
    {
        QFETCH(qint64, size);
        QFETCH(QString, choice);
        QFETCH(QString, arrange);
        QFETCH(QString, stored);
        QFETCH(QStringList, boxes);
        QFETCH(QString, result);
        Sticker s;
        FakePlatformScope platform;
        platform.fake.lastError = QStringLiteral("no way");
        const QString root = s.data.root(), source = root + "/doc.bin";
        const QString folder = arrange.startsWith('/') ? arrange : root + "/out";
        const QString target = folder + "/doc.bin";
        QVERIFY(QDir().mkpath(arrange == "folder" ? target : folder));
        writeFile(source, QByteArray("some\0\1bytes", 11).left(int(qMin(size, 11ll))));
        QVERIFY(QFile::resize(source, size));  // sparse: quick to make however large
        if (arrange == "file" || arrange == "damaged" || arrange == "blocked")
            writeFile(arrange == "blocked" ? s.data.dataDirectory() + "to_save" : target, "old");

        const qint64 task = s.addTask(1, "t");
        QVERIFY(s.showDay(1));
        QString startedIn;
        s.boxes.onDialog([&](QDialog* d) {
            auto* dialog = qobject_cast<QFileDialog*>(d);
            const bool forFolder = dialog->fileMode() != QFileDialog::ExistingFile;
            startedIn = forFolder ? dialog->directory().absolutePath() : startedIn;
            if (QWidget* focused = d->focusWidget())
                focused->clearFocus();  // else the name field keeps what it has
            dialog->selectFile(forFolder ? folder : source);
            d->accept();
            if (arrange == "gone")
                QFile::remove(source);
        });
        s.boxes.answerText(choice);
        s.chooseFromMenu(QStringLiteral("Добавить"), s.strip());
        const SeenBox question = s.boxes.seen.takeFirst();
        QCOMPARE(question.buttons,
                 (QStringList{"Сохранить ссылку на документ в базе", "Сохранить копию документа в базу", "Отмена"}));
        QVERIFY(question.icon == QMessageBox::Question && !question.hadParent);
        QCOMPARE(s.data.scalar(QStringLiteral("select group_concat(filename || '|' || quote(substr(attach, 1, 5)) || '|' "
                                              "|| typeof(attach) || link) from attachments where ID_TODO = %1").arg(task))
                     .toString().replace(root, "$"), stored);
        QCOMPARE(s.strip()->count(), stored.isEmpty() ? 0 : 1);

        if (arrange == "damaged")
            s.data.exec("UPDATE attachments SET attach = X'0000000B0102'");
        opened.clear();
        s.chooseFromMenu(QStringLiteral("Открыть"), s.strip());
        QStringList shown;
        for (const SeenBox& b : qAsConst(s.boxes.seen)) {
            QCOMPARE(b.parent.data(), static_cast<QWidget*>(s.list.get()));
            shown << QString(QStringLiteral(" i!x?").at(int(b.icon)) + ' ' + b.title + ' ' + b.text).replace(root, "$");
        }
        if (boxes.value(0).endsWith('*'))  // the system's own words
            QVERIFY2(shown.size() == 1 && shown[0].startsWith(boxes[0].chopped(1)), qPrintable(shown.join('\n')));
        else
            QCOMPARE(shown, boxes);
        QVERIFY(startedIn.isEmpty() || startedIn == s.data.dataDirectory() + "to_save");
        const QFileInfo at(target);
        const QByteArray now = readFile(target);
        QCOMPARE(QString(at.isDir() ? "folder" : !at.exists() ? "none" : now == readFile(source) ? "source" : now), result);
        const QString openedPath = boxes.value(0).startsWith("? ") ? target : choice.contains("ссылку") ? source : QString();
        QCOMPARE(opened, openedPath.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl::fromLocalFile(openedPath)});
    }
};

QTEST_MAIN(TestToDo)
#include "tst_todo.moc"
