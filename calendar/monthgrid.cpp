#include "calendar/monthgrid.h"

namespace monthgrid {

QDate firstDate(int year, int month, int firstDayOfWeek)
{
    const QDate first(year, month, 1);
    if (!first.isValid())
        return QDate();
    QDate start = first.addDays(firstDayOfWeek - first.dayOfWeek());
    if (start.dayOfWeek() != Qt::Monday && start >= first)
        start = start.addDays(-7);
    return start;
}

QString noteDateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace monthgrid
