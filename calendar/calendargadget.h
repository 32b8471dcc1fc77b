#pragma once

#include <QDate>
#include <QPoint>
#include <QWidget>
#include <memory>

class CalendarModel;
class QMenu;
class QPushButton;
class QSpinBox;
class QTableView;
class QToolButton;
class addNote;

// One month: a header row (arrows, month button, year) over the grid, and
// the day menu through which the notes of a day are added and edited.
class CalendarGadget : public QWidget
{
    Q_OBJECT
public:
    explicit CalendarGadget(QWidget* parent = nullptr);
    ~CalendarGadget() override;

    CalendarModel* calendarModel() const { return model.get(); }

signals:
    void do_update_model();

public slots:
    void gotoYear(int year);
    void firstDayChanged(int day);

private slots:
    void model_updated();
    void goToPrevMonth();
    void goToNextMonth();
    void selectYears(int year);
    void selectMonths();
    void goToMonth();
    void customContextMenuRequested(QPoint pos);
    void add_note();
    void edit_notes();
    void edit_note();
    void view_notes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDate currentDay() const;

    std::unique_ptr<CalendarModel> model;
    QTableView* view = nullptr;
    QToolButton* monthButton = nullptr;
    QPushButton* prevButton = nullptr;
    QPushButton* nextButton = nullptr;
    QSpinBox* yearSpin = nullptr;
    // Built on first use and reused, so a day of clicking leaves nothing behind.
    QMenu* monthMenu = nullptr;
    QMenu* dayMenu = nullptr;
    addNote* noteDialog = nullptr;
};
