#pragma once

#include "calendar/daycell.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QVector>

// One month laid out as six weeks of seven days, with the days that carry
// notes marked. Only reads the notes table.
class CalendarModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit CalendarModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The notes of `date`, one per line, as a tool tip shows them.
    QString notesText(const QDate& date) const;

    // Set directly by the views and the window, each time followed by
    // updateModel(); not checked here.
    int month = 0;
    int year = 0;
    int firstDayOfWeek = Qt::Monday;

signals:
    void updated();

public slots:
    void updateModel();

private:
    // Empty until the first rebuild; then 42 cells, row by row.
    QVector<DayCell> cells;
};
