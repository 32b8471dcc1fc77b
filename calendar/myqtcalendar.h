#pragma once

#include <QList>
#include <QMainWindow>

#include "ui_myqtcalendar.h"

class CalendarGadget;
class QComboBox;
class QGridLayout;
class QLabel;
class QSpinBox;
class QToolButton;

// The calendar window: the twelve months of a year under a header row that
// sets the year and the first weekday of all of them, or today's month
// alone. Its geometry and view are stored only when the user asks.
class myQtCalendar_ : public QMainWindow
{
    Q_OBJECT
public:
    explicit myQtCalendar_(QWidget* parent = nullptr);
    ~myQtCalendar_() override;

private slots:
    void view_month();
    void view_year();
    void save_pos();
    void load_pos();

private:
    Ui::myQtCalendar ui;
    QGridLayout* grid = nullptr;
    QList<CalendarGadget*> gadgets;  // January first
    QToolButton* titleButton = nullptr;
    QSpinBox* yearSpin = nullptr;
    QLabel* weekStartLabel = nullptr;
    QComboBox* weekStartCombo = nullptr;
    bool monthView = false;
    // The window's size in month view, kept while the year is shown.
    QSize monthSize;
};
