#pragma once

#include <QDate>

// One cell of a month grid.
struct DayCell
{
    int day = 0;    // 1..31
    int month = 0;  // 1..12; may be the previous or the next month
    int year = 0;
    bool hasNotes = false;

    // Invalid for the blank cells of a month that has no dates (year 0).
    QDate date() const { return QDate(year, month, day); }
};
