#pragma once

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QVector>
#include <QWidget>
#include <memory>

#include "todo/taskappearance.h"
#include "todo/taskrecord.h"
#include "ui_todolist.h"
#include "widgets/skinnedframe.h"

class AttachmentStrip;
class QMenu;
class QTableWidgetItem;
class myItemDelegate;
class myEdit;

// The to-do sticker: a frameless skinned window listing the tasks of one
// weekday. Every change goes to the database first; the table is then
// rebuilt from it, so it never holds unsaved tasks.
class ToDoList : public QWidget, private Ui::to_do_Form {
    Q_OBJECT

public:
    explicit ToDoList(QWidget* parent = nullptr);
    ~ToDoList() override;

    void set_day(int day);
    void show_notes();
    void set_section_size(const int& height);
    void set_text_color(QColor color);
    void set_font(QString description);
    void set_go_to_current_day(bool on);
    void set_skin(QString path);
    void save_skin(const int& index);

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void on_notesWidget_customContextMenuRequested(QPoint pos);
    void insert_note();
    void delete_note();
    void close_note();
    void changedStatus(qint64 id, bool status);
    void changedText(qint64 id, QString text);

private:
    void load_sticker_settings();
    QVector<TaskRecord> load_notes(int day);
    void scheduleRebuild();
    void rebuildKeepingCell();
    void showNotesKeepingCell();
    qint32 taskIdAt(int row) const;
    void save_size(const int& width, const int& height);
    void save_pos(const int& x, const int& y);

    SkinnedFrame frame;
    TaskAppearance look;
    int day = 0;
    bool goToCurrentDay = false;
    QMenu* menu = nullptr;
    AttachmentStrip* strip = nullptr;
    int followTimer = 0;
    std::unique_ptr<myItemDelegate> doneDelegate;
    std::unique_ptr<myEdit> textDelegate;
    bool rebuildPending = false;
};
