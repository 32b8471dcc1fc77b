#pragma once

#include <QDate>

// The dates of a month's six-week grid, without any window.
namespace monthgrid {

inline constexpr int kRows = 6;
inline constexpr int kColumns = 7;
inline constexpr int kDays = kRows * kColumns;

// The date in the top-left cell of the grid of `month` in `year` whose
// weeks start on `firstDayOfWeek` (1 = Monday … 7 = Sunday). With the week
// starting on Monday, a month whose 1st is a Monday starts in the top-left
// cell; with any other first weekday, a month whose 1st falls on that
// weekday gets a whole week of the previous month in row 0.
// Invalid when the month has no valid 1st (year 0, a month outside 1..12).
QDate firstDate(int year, int month, int firstDayOfWeek);

// The stored form of a note's date.
QString noteDateText(const QDate& date);

}  // namespace monthgrid
