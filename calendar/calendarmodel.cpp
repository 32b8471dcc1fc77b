#include "calendar/calendarmodel.h"

#include "calendar/monthgrid.h"
#include "calendar/notestore.h"
#include "platform/platform.h"

#include <QColor>
#include <QLocale>
#include <QTextDocument>

CalendarModel::CalendarModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    const QDate today = Platform::instance().currentDateTime().date();
    month = today.month();
    year = today.year();
}

// A cell has no children: answering 6 × 7 under a cell too would make every
// cell a parent of another grid.
int CalendarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : monthgrid::kRows;
}

int CalendarModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : monthgrid::kColumns;
}

void CalendarModel::updateModel()
{
    beginResetModel();
    cells.clear();
    const QDate start = monthgrid::firstDate(year, month, firstDayOfWeek);
    if (start.isValid()) {
        const QDate end = start.addDays(monthgrid::kDays - 1);
        const QStringList dates = notestore::noteDatesBetween(start, end, nullptr);
        cells.reserve(monthgrid::kDays);
        for (QDate d = start; d <= end; d = d.addDays(1))
            cells.append({d.day(), d.month(), d.year(), dates.contains(monthgrid::noteDateText(d))});
    } else {
        // A month without dates (year 0) is shown as a blank grid.
        cells.fill(DayCell(), monthgrid::kDays);
    }
    endResetModel();
    emit updated();
}

QVariant CalendarModel::data(const QModelIndex& index, int role) const
{
    const int at = index.row() * monthgrid::kColumns + index.column();
    if (!index.isValid() || at >= cells.size())
        return QVariant();  // also before the first rebuild
    const DayCell& cell = cells.at(at);
    const QDate date = cell.date();
    if (!date.isValid())
        return QVariant();

    switch (role) {
    case Qt::DisplayRole:
        return cell.day;
    case Qt::ToolTipRole:
        if (cell.hasNotes)
            return notesText(date);
        return QVariant();
    case Qt::BackgroundRole: {
        // The order is the precedence: a neighbour-month day is grey even
        // with notes, and today with notes is yellow.
        if (cell.month != month)
            return QColor(Qt::lightGray);
        if (cell.hasNotes)
            return QColor(Qt::yellow);
        // Today is worked out at every paint, so the mark moves at midnight;
        // only month and day are compared, marking the date in every year.
        const QDate today = Platform::instance().currentDateTime().date();
        if (cell.month == today.month() && cell.day == today.day())
            return QColor(Qt::darkGreen);
        return QVariant();
    }
    case Qt::ForegroundRole:
        if (date.dayOfWeek() >= Qt::Saturday)
            return QColor(Qt::red);
        return QVariant();
    case Qt::UserRole:
        return date;
    default:
        return QVariant();
    }
}

QVariant CalendarModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QVariant();
    int day = firstDayOfWeek + section;
    if (day > 7)
        day -= 7;
    return QLocale::system().dayName(day, QLocale::ShortFormat);
}

QString CalendarModel::notesText(const QDate& date) const
{
    QStringList texts;
    const auto notes = notestore::notesOfDate(date, nullptr);
    for (const notestore::NotePair& note : notes)
        texts.append(note.text);
    QString text = texts.join(QLatin1Char('\n'));
    // A note is shown as typed, never as markup.
    if (Qt::mightBeRichText(text))
        text = Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
    return text;
}
