#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "widgets/skinnedframe.h"

class QGridLayout;
class QLCDNumber;
class QLabel;
class QProgressBar;
class QToolButton;
class Platform;
class ToDoList;

// The desktop clock: a frameless, skinned, draggable window showing the
// time, the date, processor and memory load, the keyboard layout and the
// weekday buttons that open the to-do sticker, which it owns.
class DigitalClockWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DigitalClockWidget(QWidget* parent = nullptr);
    ~DigitalClockWidget() override;

    void set_skin(const QString& path);
    void save_skin(int index);
    void set_opacity(double value);
    void save_size(const int& w, const int& h);
    void save_pos(const int& x, const int& y);
    void set_Clock_TextColor();
    void set_ToDoList_TextColor();
    void set_ToDoList_Font();
    void set_sticker_skin(QString path, int index, bool save);
    void apply_text_color(QColor color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

protected slots:
    void do_day_1();
    void do_day_2();
    void do_day_3();
    void do_day_4();
    void do_day_5();
    void do_day_6();
    void do_day_7();
    void do_lang_label();

public slots:
    void save_DigitalClockWidget_StaysOnTop(int state);
    void save_ToDoList_StaysOnTop(int state);
    void Set_ToDoList_DefaultSectionSize(int size);
    void save_GoToCurrentToDo(int state);

private:
    void setup_face();
    void load_clock_settings();
    void load_pos();
    void open_day(int day);
    void fit_month_label();

    ToDoList* todo = nullptr;
    QGridLayout* gridLayout = nullptr;
    QLCDNumber* lcdclock = nullptr;
    QLabel* month_label = nullptr;
    QToolButton* lang_label = nullptr;
    QLabel* ram_label = nullptr;
    QLabel* cpu_label = nullptr;
    QProgressBar* ram_progress = nullptr;
    QProgressBar* cpu_progress = nullptr;
    QToolButton* day_1 = nullptr;
    QToolButton* day_2 = nullptr;
    QToolButton* day_3 = nullptr;
    QToolButton* day_4 = nullptr;
    QToolButton* day_5 = nullptr;
    QToolButton* day_6 = nullptr;
    QToolButton* day_7 = nullptr;
    // Processor, memory, keyboard layout, pause and clock of the system,
    // taken once at construction.
    Platform* platform = nullptr;
    SkinnedFrame frame;
    int current_day = 0;
    // Seeds of the colour and font dialogs, as read when the clock was built.
    QColor clock_text_color;
    QColor todo_text_color;
    QString todo_font;
    // The previous processor sample; zero before the first, so the first load
    // shown is the average since boot.
    qint64 prev_idle_time = 0;
    qint64 prev_kernel_time = 0;
    qint64 prev_user_time = 0;
};
