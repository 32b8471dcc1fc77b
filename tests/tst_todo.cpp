#include "boxanswerer.h"
#include "testdatadir.h"

#include "resources/resources.h"
#include "todo/todolist.h"

#include <QtTest>
#include <QtWidgets>
#include <csignal>
#include <sys/resource.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "";
}

// One sticker on a private database; the window goes before the database.
struct Sticker {
    TestDataDir data;
    BoxAnswerer boxes;
    bool opened = (data.open(), true);
    std::unique_ptr<ToDoList> list = std::make_unique<ToDoList>();
    QTableWidget* table = list->findChild<QTableWidget*>(QStringLiteral("notesWidget"));

    qint64 addTask(int day, const QString& text) const
    {
        data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (%1, '%2', 0)").arg(day).arg(text));
        return data.scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
    }

    QVariant stored(const QString& column, qint64 id) const
    { return data.scalar(QStringLiteral("select %1 from to_do_list where ID = %2").arg(column).arg(id)); }

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
            texts << table->model()->index(r, 1).data().toString();
        return texts;
    }

    bool shownDone(int row) const { return table->model()->index(row, 0).data().toBool(); }
    qint64 shownId(int row) const { return table->model()->index(row, 2).data().toLongLong(); }
    QRect cell(int row, int column) const { return table->visualRect(table->model()->index(row, column)); }
    void click(int row, int column) const { QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell(row, column).center()); }

    // Opens the context menu of the table (or of `on`) as a right click would, and picks `choice`.
    void chooseFromMenu(const QString& choice, QWidget* on = nullptr) const
    {
        QTimer::singleShot(0, [choice] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* a : menu->actions())
                menu->setActiveAction(a->text() == choice ? a : menu->activeAction());
            QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
        });
        QWidget* target = on ? on : table->viewport();
        const QPoint at = on ? QPoint(3, 3) : cell(0, 1).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
    }

    QTabWidget* strip() const { return list->findChild<QTabWidget*>(QStringLiteral("tabWidget")); }

    // File and folder dialogs choose `path`; `then` runs after.
    void choosePath(const QString& path, std::function<void()> then = {})
    {
        boxes.onDialog([=](QDialog* d) {
            if (QWidget* focused = d->focusWidget())
                focused->clearFocus();  // else the name field keeps what it has
            qobject_cast<QFileDialog*>(d)->selectFile(path);
            d->accept();
            if (then)
                then();
        });
    }

    QImage shownCell(int row, int column) const  // with the skin behind
    { return list->grab(cell(row, column).translated(table->viewport()->mapTo(list.get(), QPoint()))).toImage(); }
};

}  // namespace

class TestToDo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        orvoInitResources();
        QApplication::setStyle(QStringLiteral("fusion"));  // paints selection opaque unless the sticker prevents it
    }

    void menusAddAndDeleteTasksAndAttachments()
    {
        Sticker s;
        s.addTask(2, "other weekday");
        for (const char* text : {"first", "second", "third"})
            s.addTask(4, text);
        QVERIFY(s.showDay(4));
        const QString thursday = QLocale::system().dayName(4, QLocale::LongFormat);
        QCOMPARE(s.list->windowTitle(), thursday);
        QCOMPARE(s.table->horizontalHeaderItem(1)->text(), QStringLiteral("Задачи на ") + thursday);

        s.click(0, 0);  // leaves "third" done, so the new task must not inherit that
        s.chooseFromMenu(QStringLiteral("Добавить"));  // on top of the newest first
        QCOMPARE(s.shownTexts(), (QStringList{QStringLiteral("Новая задача"), "third", "second", "first"}));
        QVERIFY(!s.shownDone(0) && s.shownDone(1));
        QCOMPARE(s.table->currentRow(), 0);
        QCOMPARE(s.stored("text || day || done", s.shownId(0)).toString(), QStringLiteral("Новая задача") + "40");

        // Deleting asks first, then takes the current task, not the first one.
        s.click(2, 1);
        s.boxes.answer(QMessageBox::Cancel);
        s.chooseFromMenu(QStringLiteral("Удалить"));
        s.chooseFromMenu(QStringLiteral("Удалить"));  // answered OK
        const SeenBox box = s.boxes.seen.last();
        QCOMPARE(box.title + '|' + box.text, QStringLiteral("Удаление|Вы действительно хотите удалить выделенное?"));
        QVERIFY(box.icon == QMessageBox::Question && box.parent.data() == s.list.get());
        QCOMPARE(s.shownTexts(), (QStringList{QStringLiteral("Новая задача"), "third", "first"}));

        // Two attachments: two tabs, the later current; deleting one rebuilds onto the first task.
        s.data.exec(QStringLiteral("INSERT INTO attachments (filename, attach, ID_TODO, link) "
                                   "VALUES ('a.txt', '', %1, 1), ('b.txt', '', %1, 1)").arg(s.shownId(2)));
        s.click(2, 1);
        QCOMPARE(s.strip()->count(), 2);
        QCOMPARE(qobject_cast<QLabel*>(s.strip()->currentWidget())->text(), QStringLiteral("b.txt"));
        const QString stored("select group_concat(filename) from attachments");
        s.boxes.answer(QMessageBox::Cancel);
        s.chooseFromMenu(QStringLiteral("Удалить"), s.strip());
        QCOMPARE(s.strip()->count(), 2);  // cancelled: nothing deleted
        s.chooseFromMenu(QStringLiteral("Удалить"), s.strip());  // answered OK
        QCOMPARE(s.boxes.seen.last().text, QStringLiteral("Вы действительно хотите удалить вложение"));
        QCOMPARE(s.data.scalar(stored).toString(), QStringLiteral("a.txt"));
        QCOMPARE(s.table->currentRow(), 0);
        QCOMPARE(s.strip()->count(), 0);

        // A refused write is reported, and the table shows what is stored, not what was tried.
        s.data.exec("CREATE TRIGGER refuse BEFORE INSERT ON to_do_list BEGIN SELECT RAISE(ABORT, 'refused'); END");
        s.chooseFromMenu(QStringLiteral("Добавить"));
        QCOMPARE(s.boxes.seen.last().title, QStringLiteral("Error"));
        QTRY_COMPARE(s.shownTexts(), (QStringList{QStringLiteral("Новая задача"), "third", "first"}));

        QCOMPARE(s.boxes.seen.size(), 5);
    }

    void paintsTheSkinTheTintAndStruckOutTasks()
    {
        Sticker s;
        const qint64 id = s.addTask(3, "Buy milk");
        s.addTask(3, "upper");
        const QString path = s.data.root() + "/skin.png";
        QImage skin(40, 30, QImage::Format_ARGB32);
        skin.fill(QColor(200, 30, 40));
        QVERIFY(skin.save(path));
        s.list->set_skin(path);
        s.list->resize(400, 500);
        QVERIFY(s.showDay(3));
        QCOMPARE(s.list->grab().toImage().pixelColor(398, 498), QColor(200, 30, 40));

        const QImage open = s.shownCell(1, 1);
        const int width = s.table->columnWidth(1);  // were the box column sized by its flag, tasks would re-wrap
        const QColor paper = s.shownCell(1, 0).pixelColor(2, 2);
        s.click(0, 1);
        // The box column keeps the skin; the text column shows it under a light blue tint, not opaque highlight.
        QCOMPARE(s.shownCell(0, 0).pixelColor(2, 2), paper);
        const QColor tinted = s.shownCell(0, 1).pixelColor(2, 2);
        QVERIFY2(tinted.red() > 150 && tinted.blue() > 80, qPrintable(tinted.name()));
        for (const bool done : {true, false}) {
            s.click(1, 0);  // another row is current: the click acts on its own
            QCOMPARE(s.stored("done", id).toInt(), done ? 1 : 0);
            QCOMPARE(s.stored("done", id + 1).toInt(), 0);
            s.table->clearSelection();
            QCOMPARE(s.shownCell(1, 1) == open, !done);  // struck out while done
            QCoreApplication::processEvents();  // the rebuild that follows the write
            QCOMPARE(s.table->columnWidth(1), width);
        }
    }

    // Painted whole inside the strip and on the paper, at the stored size, the smallest allowed and a large one.
    void attachmentNameOnTheStrip_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("as stored") << QSize();
        QTest::newRow("smallest") << QSize(0, 0);
        QTest::newRow("large") << QSize(760, 580);
    }

    void attachmentNameOnTheStrip()
    {
        QFETCH(QSize, size);
        Sticker s;
        const qint64 task = s.addTask(2, "Отчёт");
        s.data.exec(QStringLiteral("INSERT INTO attachments (filename, attach, ID_TODO, link) "
                                   "VALUES ('отчёт за ноябрь.pdf', '', %1, 1)").arg(task));
        s.list->set_skin(QStringLiteral(":/img/stiker.png"));
        QVERIFY(s.showDay(2));
        if (size.isValid())
            s.list->resize(size);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        auto* name = s.strip()->findChild<QLabel*>(QStringLiteral("lb"));
        QVERIFY(name && name->isVisible());
        const QRect text = QStyle::alignedRect(Qt::LeftToRight, name->alignment(),
                                               name->fontMetrics().size(0, name->text()), name->contentsRect());
        const QRect painted(name->mapTo(s.list.get(), text.topLeft()), text.size());
        QVERIFY(s.strip()->geometry().contains(painted) && s.list->rect().contains(painted));
        QImage skin(s.list->size(), QImage::Format_ARGB32_Premultiplied);
        skin.fill(Qt::transparent);
        s.list->render(&skin, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        for (const QPoint corner : {painted.bottomLeft(), painted.bottomRight(), painted.topLeft()})
            QVERIFY(skin.pixelColor(corner).alpha() == 255);
    }

    void editStoresTheEditedRowOnce_data()
    {
        QTest::addColumn<QString>("finish");
        QTest::newRow("enter") << "enter";
        QTest::newRow("click on another row") << "click";
        QTest::newRow("escape abandons") << "escape";
        QTest::newRow("open while the rows are rebuilt") << "rebuild";
        QTest::newRow("open while a task is added") << "insert";
        QTest::newRow("open while the sticker goes") << "destroy";
    }

    void editStoresTheEditedRowOnce()
    {
        QFETCH(QString, finish);
        const bool kept = finish != "escape" && finish != "destroy";
        // Longer than a line editor holds unless told otherwise: opening it must not cut the task.
        const QString longText(100000, QLatin1Char('x'));
        Sticker s;
        s.addTask(1, "a");
        const qint64 b = s.addTask(1, longText);
        s.addTask(1, "c");
        s.data.exec("CREATE TABLE writes (ID INTEGER)");
        s.data.exec("CREATE TRIGGER log AFTER UPDATE ON to_do_list BEGIN INSERT INTO writes VALUES (new.ID); END");
        QVERIFY(s.showDay(1));
        s.click(0, 1);  // the text delegate last served task c
        QTest::keyClick(s.table, Qt::Key_Down);
        QTest::keyClick(s.table, Qt::Key_F2);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, "edited");

        if (finish == "enter" || finish == "escape")
            QTest::keyClick(editor, finish == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        else if (finish == "click")
            s.click(0, 1);
        else if (finish == "rebuild")
            s.list->set_section_size(33);
        else if (finish == "insert")
            s.chooseFromMenu(QStringLiteral("Добавить"));
        else
            s.list.reset();

        QTRY_VERIFY(!editor);
        const QString expected = longText + (kept ? "edited" : "");
        // Closing the editor after it was finished must not report it again.
        QCOMPARE(s.data.scalar("select group_concat(ID) from writes").toString(), kept ? QString::number(b) : QString());
        QVERIFY(s.stored("text", b).toString() == expected);
        if (s.list)  // a task added goes on top
            QTRY_VERIFY(s.shownTexts().mid(finish == "insert" ? 1 : 0) == (QStringList{"c", expected, "a"}));
    }

    // Added from a file, then saved into a folder (through a temporary file, under its own last name only).
    void attachmentsGoInAndComeBack_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("arrange");    // what stands in the way of saving, or the folder saved in
        QTest::addColumn<QString>("name");       // stored instead of doc.bin; $ is the test's folder
        QTest::addColumn<QString>("stored");     // filename, the content's first bytes, its type, link
        QTest::addColumn<QStringList>("boxes");  // after the how-to-store question: icon, title, text
        QTest::addColumn<QString>("result");     // what the save path holds afterwards
        const QString few = QStringLiteral("doc.bin|X'0000000B78'|blob0");
        const QStringList asked{QStringLiteral("? Открытие Открыть файл? $/a/b/out/doc.bin")}, askedX{asked[0].chopped(7) + 'x'};
        const QString damaged("x Error! Копия документа в базе повреждена или отсутствует, файл не сохранён: $/a/b/out/doc.bin");
        QTest::newRow("few bytes, over a file") << 11ll << "file" << "" << few << asked << "source";
        QTest::newRow("empty: nothing asked") << 0ll << "" << "" << "doc.bin|X'00000000'|blob0" << QStringList{} << "source";
        QTest::newRow("exactly 50 MiB") << 52428800ll << "" << "" << "doc.bin|X'0320000078'|blob0" << asked << "source";
        QTest::newRow("a byte more") << 52428801ll << "" << "" << "" << QStringList{
            "i Error Файлы больше 50 Мегабайт необходимо сохранять как ссылку на файл."} << "none";
        QTest::newRow("unreadable") << 11ll << "gone" << "" << "doc.bin|NULL|null0"
                                    << QStringList{"! ВНИМАНИЕ Невозможно открыть файл! $/doc.bin", damaged} << "none";
        QTest::newRow("damaged, over a file: kept") << 11ll << "damaged" << "" << few << QStringList{damaged} << "old";
        QTest::newRow("unwritable folder: the system's reason") << 11ll << "/proc" << "" << few << QStringList{"x Error! "} << "none";
        QTest::newRow("the write fails partway over a file") << 300000ll << "limit" << "" << "doc.bin|X'000493E078'|blob0"
                                                             << QStringList{"x Error! File too large"} << "old";
        for (const char* name : {"../../x", "$/abs/x", "a/b/x"})
            QTest::newRow(name) << 11ll << "" << name << few << askedX << "source";
    }

    void attachmentsGoInAndComeBack()
    {
        QFETCH(qint64, size);
        QFETCH(QString, arrange);
        QFETCH(QString, name);
        QFETCH(QString, stored);
        QFETCH(QStringList, boxes);
        QFETCH(QString, result);
        Sticker s;
        const QString root = s.data.root(), source = root + "/doc.bin";
        const QString folder = arrange.startsWith('/') ? arrange : root + "/a/b/out";
        const QString target = folder + '/' + (name.isEmpty() ? "doc.bin" : QFileInfo(name).fileName());
        for (const QString& path : {folder + "/a/b", root + "/abs"})
            QDir().mkpath(path);
        writeFile(source, QByteArray("some\0\1bytes", 11).left(int(qMin(size, 11ll))));
        QVERIFY(QFile::resize(source, size));  // sparse: quick to make however large
        if (arrange == "file" || arrange == "damaged" || arrange == "limit")
            writeFile(target, "old");
        s.addTask(1, "t");
        QVERIFY(s.showDay(1));
        s.choosePath(source, [&] {
            s.choosePath(folder);
            if (arrange == "gone")
                QFile::remove(source);
        });
        s.boxes.answerText(QStringLiteral("Сохранить копию документа в базу"));
        s.boxes.answer(QMessageBox::Cancel);  // the saved copy is not opened
        s.chooseFromMenu(QStringLiteral("Добавить"), s.strip());
        s.boxes.seen.removeFirst();  // the how-to-store question
        QCOMPARE(s.data.scalar("select filename || '|' || quote(substr(attach, 1, 5)) || '|' || typeof(attach) || link "
                               "from attachments").toString(), stored);

        if (arrange == "damaged")
            s.data.exec("UPDATE attachments SET attach = X'0000000B0102'");
        if (!name.isEmpty())
            s.data.exec(QStringLiteral("UPDATE attachments SET filename = '%1'").arg(QString(name).replace('$', root)));
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (arrange == "limit") {  // writes past the limit fail instead of killing the process
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit lower = saved;
            lower.rlim_cur = 65536;
            setrlimit(RLIMIT_FSIZE, &lower);
        }
        s.chooseFromMenu(QStringLiteral("Открыть"), s.strip());
        setrlimit(RLIMIT_FSIZE, &saved);
        QStringList shown;
        for (const SeenBox& b : qAsConst(s.boxes.seen))
            shown << QString(QStringLiteral(" i!x?").at(int(b.icon)) + ' ' + b.title + ' ' + b.text).replace(root, "$");
        QVERIFY2(shown.size() == boxes.size() && shown.join('\n').startsWith(boxes.join('\n')), qPrintable(shown.join('\n')));
        const QByteArray now = readFile(target);
        QCOMPARE(QString(!QFile::exists(target) ? "none" : now == readFile(source) ? "source" : now), result);
        QStringList written;  // nothing beside the target, the source and the database
        for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            if (!it.next().startsWith(s.data.dataDirectory()) && it.filePath() != source && it.filePath() != target)
                written << it.filePath();
        QCOMPARE(written, QStringList());
    }
};

QTEST_MAIN(TestToDo)
#include "tst_todo.moc"
