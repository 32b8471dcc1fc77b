// Cost of building the calendar window (twelve month rebuilds) and of one
// month's rebuild as the notes table grows, each as a ratio against the
// empty table measured in the same run. Prints the plan of the rebuild's
// query, which must search the NOTEDATE index rather than scan the table.

#include "app/startup.h"
#include "calendar/calendarmodel.h"
#include "calendar/myqtcalendar.h"
#include "db/database.h"
#include "testdatadir.h"
#include "db/statements.h"
#include "platform/platform.h"
#include "resources/resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

// `count` notes on days drawn evenly from ten years around today.
void fillNotes(int count)
{
    QSqlDatabase::database().transaction();
    QSqlQuery query;
    query.exec(QStringLiteral("DELETE FROM notes"));
    query.prepare(QLatin1String(sql::kInsertNote));
    const QDate from(Platform::instance().currentDateTime().date().year() - 5, 1, 1);
    const int days = int(from.daysTo(from.addYears(10)));
    std::mt19937 random(42);
    std::uniform_int_distribution<int> day(0, days - 1);
    for (int i = 0; i < count; ++i) {
        query.bindValue(0, QStringLiteral("Note number %1").arg(i));
        query.bindValue(1, from.addDays(day(random)));
        query.bindValue(2, QTime(12, 0));
        query.exec();
    }
    QSqlDatabase::database().commit();
}

double medianMs(int runs, const std::function<void()>& work)
{
    work();  // warm-up
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void printPlan()
{
    QSqlQuery query;
    query.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + QLatin1String(sql::kSelectNoteDatesBetween));
    query.bindValue(0, QDate(2026, 5, 25));
    query.bindValue(1, QDate(2026, 7, 5));
    if (!query.exec()) {
        std::printf("plan: %s\n", qPrintable(query.lastError().text()));
        return;
    }
    std::printf("query plan of one month's rebuild:\n");
    while (query.next())
        std::printf("  %s\n", qPrintable(query.value(3).toString()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own mode, for what is measured and its baseline alike.
    prepareApplication();
    QApplication app(argc, argv);
    orvoInitResources();
    TestDataDir data;
    data.open();

    std::printf("%8s %14s %8s %14s %8s\n", "notes", "window ms", "ratio", "month ms", "ratio");
    double emptyWindow = 0, emptyMonth = 0;
    CalendarModel model;
    for (const int count : {0, 10000, 100000}) {
        fillNotes(count);
        const double window = medianMs(31, [] { myQtCalendar_ calendar; });
        const double month = medianMs(51, [&model] { model.updateModel(); });
        if (count == 0) {
            emptyWindow = window;
            emptyMonth = month;
        }
        std::printf("%8d %14.3f %8.2f %14.3f %8.2f\n", count, window, window / emptyWindow, month,
                    month / emptyMonth);
    }
    printPlan();
    return 0;
}
