// Time of one rebuild of the to-do sticker's table for growing task counts.
// Prints the median milliseconds per rebuild and each step's ratio to the
// previous one; a tenfold count should cost about ten times as much.

#include "app/startup.h"
#include "db/database.h"
#include "testdatadir.h"
#include "todo/todolist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void fillTasks(int count)
{
    QSqlDatabase::database().transaction();
    QSqlQuery query;
    query.exec(QStringLiteral("DELETE FROM to_do_list"));
    query.prepare(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (?,?,?)"));
    for (int i = 0; i < count; ++i) {
        query.bindValue(0, 1);
        query.bindValue(1, QStringLiteral("Task number %1 with a few words of text").arg(i));
        query.bindValue(2, i % 3 == 0);
        query.exec();
    }
    QSqlDatabase::database().commit();
}

double medianRebuildMs(ToDoList& list, int runs)
{
    std::vector<double> times;
    list.show_notes();  // warm-up
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        list.show_notes();
        times.push_back(timer.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own mode, for what is measured and its baseline alike.
    prepareApplication();
    QApplication app(argc, argv);
    TestDataDir data;
    data.open();

    ToDoList list;
    list.set_day(1);
    std::printf("%8s %12s %8s\n", "tasks", "ms/rebuild", "ratio");
    double previous = 0;
    for (const int count : {10, 100, 1000, 10000}) {
        fillTasks(count);
        const double ms = medianRebuildMs(list, count >= 10000 ? 5 : 9);
        auto* table = list.findChild<QTableWidget*>(QStringLiteral("notesWidget"));
        if (!table || table->rowCount() != count) {
            std::fprintf(stderr, "expected %d rows in the table\n", count);
            return 1;
        }
        if (previous > 0)
            std::printf("%8d %12.3f %8.2f\n", count, ms, ms / previous);
        else
            std::printf("%8d %12.3f %8s\n", count, ms, "-");
        previous = ms;
    }
    return 0;
}
