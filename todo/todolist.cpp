#include "todo/todolist.h"

#include "db/database.h"
#include "db/statements.h"
#include "platform/onscreen.h"
#include "platform/platform.h"
#include "todo/myedit.h"
#include "todo/myitemdelegate.h"
#include "todo/attachmentstrip.h"
#include "todo/paper.h"
#include "widgets/menuentries.h"

#include <QCursor>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QSizeGrip>
#include <QTableWidgetItem>
#include <QTimerEvent>
#include <QtMath>

namespace {

// Lets the skin show through the table and its corner button.
const char kTransparentTable[] =
    "QTableWidget {background-color: transparent;}QTableCornerButton::section {background-color: transparent;}";

QString weekdayName(int day)
{
    // Empty outside 1..7, so weekday 0 gives an empty title.
    return QLocale::system().dayName(day, QLocale::LongFormat);
}

}  // namespace

ToDoList::ToDoList(QWidget* parent)
    : QWidget(parent)
    , frame(this, [this](int x, int y) { save_pos(x, y); })
{
    setupUi(this);
    // Styles that paint the selected row's panel (fusion among them) would
    // cover both columns in opaque highlight before the delegates draw:
    // the text delegate paints the only selection mark the sticker has.
    QPalette palette = notesWidget->palette();
    palette.setBrush(QPalette::Highlight, Qt::transparent);
    notesWidget->setPalette(palette);
    setWindowTitle(tr("To-Do list"));
    load_sticker_settings();
    onscreen::keep(this);

    auto* grip = new QSizeGrip(this);
    grip->setStyleSheet(QStringLiteral("background-color: rgba(235, 15, 55, 150);"));
    gridLayout_3->addWidget(grip, 1, 0, 1, 1, Qt::AlignRight | Qt::AlignBottom);

    day = 0;
    menu = new QMenu(this);

    doneDelegate = std::make_unique<myItemDelegate>();
    connect(doneDelegate.get(), &myItemDelegate::do_changed, this, &ToDoList::changedStatus);
    notesWidget->setItemDelegateForColumn(0, doneDelegate.get());

    textDelegate = std::make_unique<myEdit>(look);
    connect(textDelegate.get(), &myEdit::do_changed, this, &ToDoList::changedText);
    notesWidget->setItemDelegateForColumn(1, textDelegate.get());

    strip = new AttachmentStrip(tabWidget, menu, this, [this] {
        return notesWidget->selectedItems().isEmpty() ? 0 : taskIdAt(notesWidget->currentRow());
    });
    connect(strip, &AttachmentStrip::added, this, &ToDoList::showNotesKeepingCell);
    connect(strip, &AttachmentStrip::deleted, this, &ToDoList::show_notes);
    connect(notesWidget, &QTableWidget::currentItemChanged, this,
            [this](QTableWidgetItem* current) { strip->getAttach(current ? taskIdAt(current->row()) : 0); });

    followTimer = startTimer(60000, Qt::CoarseTimer);
}

ToDoList::~ToDoList()
{
    // The table outlives this body: while it is taken apart it must neither
    // call back into this half-destroyed window nor reach the delegates.
    disconnect(notesWidget, nullptr, this, nullptr);
    notesWidget->setItemDelegateForColumn(0, nullptr);
    notesWidget->setItemDelegateForColumn(1, nullptr);
}

void ToDoList::load_sticker_settings()
{
    const auto row = db::readFirst(QString::fromLatin1(sql::kSelectSticker));
    if (!row)
        return;
    const db::Row& r = *row;
    move(r.at(0).toInt(), r.at(1).toInt());
    resize(r.at(2).toInt(), r.at(3).toInt());
    const bool staysOnTop = r.at(4).toBool();
    look.font.fromString(r.at(5).toString());
    look.rowHeight = r.at(6).toInt();
    look.textColor = QColor(r.at(7).toString());
    goToCurrentDay = r.at(8).toBool();

    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
    if (staysOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ToDoList::set_day(int day)
{
    this->day = day;
}

void ToDoList::set_section_size(const int& height)
{
    look.rowHeight = height;
    show_notes();
}

void ToDoList::set_text_color(QColor color)
{
    look.textColor = color;
    show_notes();
}

void ToDoList::set_font(QString description)
{
    look.font.fromString(description);
    show_notes();
}

void ToDoList::set_go_to_current_day(bool on)
{
    goToCurrentDay = on;
}

QVector<TaskRecord> ToDoList::load_notes(int day)
{
    QVector<TaskRecord> tasks;
    const auto rows = db::read(QString::fromLatin1(sql::kSelectTasks), {QVariant(qint32(day))});
    if (!rows)
        return tasks;
    tasks.reserve(rows->size());
    for (const db::Row& r : *rows)
        tasks.append({r.at(0).toString(), r.at(1).toBool(), r.at(2).toLongLong()});
    return tasks;
}

void ToDoList::show_notes()
{
    const QString dayName = weekdayName(day);
    setWindowTitle(dayName);

    notesWidget->setStyleSheet(QString::fromLatin1(kTransparentTable));
    notesWidget->setShowGrid(false);

    QHeaderView* rows = notesWidget->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(look.rowHeight);

    notesWidget->setRowCount(0);
    notesWidget->setColumnCount(3);
    notesWidget->hideColumn(2);
    notesWidget->setSortingEnabled(false);
    notesWidget->setUpdatesEnabled(false);

    notesWidget->setHorizontalHeaderLabels(
        {QString(QChar(0x2714)), QStringLiteral("Задачи на ") + dayName, QStringLiteral("id")});

    // Each task lands above the one before it: the newest is shown first.
    const QVector<TaskRecord> tasks = load_notes(day);
    for (const TaskRecord& task : tasks) {
        notesWidget->insertRow(0);
        auto* done = new QTableWidgetItem;
        done->setData(Qt::DisplayRole, task.done);
        notesWidget->setItem(0, 0, done);
        notesWidget->setItem(0, 1, new QTableWidgetItem(task.text));
        auto* id = new QTableWidgetItem;
        id->setData(Qt::DisplayRole, task.id);
        notesWidget->setItem(0, 2, id);
    }

    notesWidget->clearSelection();
    notesWidget->resizeColumnsToContents();
    QHeaderView* columns = notesWidget->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(1, QHeaderView::Stretch);

    notesWidget->setUpdatesEnabled(true);
    notesWidget->setCurrentCell(0, 0);
    notesWidget->setFocus(Qt::OtherFocusReason);
    show();
}

void ToDoList::insert_note()
{
    const int row = notesWidget->rowCount();
    notesWidget->insertRow(row);
    auto* done = new QTableWidgetItem;
    done->setData(Qt::DisplayRole, QStringLiteral("false"));
    notesWidget->setItem(row, 0, done);
    notesWidget->setItem(row, 1, new QTableWidgetItem(QStringLiteral("Новая задача")));

    db::save(QString::fromLatin1(sql::kInsertTask),
             {QVariant(qint32(day)), notesWidget->item(row, 1)->text(),
              notesWidget->item(row, 0)->data(Qt::DisplayRole).toBool()},
             this);
    show_notes();
}

void ToDoList::delete_note()
{
    if (notesWidget->rowCount() == 0)
        return;
    const auto answer = QMessageBox::question(this, QStringLiteral("Удаление"),
                                              QStringLiteral("Вы действительно хотите удалить выделенное?"),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer != QMessageBox::Ok)
        return;
    QTableWidgetItem* current = notesWidget->currentItem();
    if (!current)
        return;
    QTableWidgetItem* idCell = notesWidget->item(current->row(), 2);
    const qint64 id = idCell ? idCell->data(Qt::DisplayRole).toLongLong() : 0;
    db::save(QString::fromLatin1(sql::kDeleteTask), {QVariant(id)}, this);
    show_notes();
}

void ToDoList::close_note()
{
    close();
}

void ToDoList::on_notesWidget_customContextMenuRequested(QPoint)
{
    menu->clear();
    addEntries<ToDoList>(menu, this,
                         {{":/img/new.png", "Добавить", &ToDoList::insert_note},
                          {":/img/del_1.png", "Удалить", &ToDoList::delete_note},
                          {":/img/exit.png", "Закрыть", &ToDoList::close_note}});
    menu->exec(QCursor::pos());
}

void ToDoList::changedStatus(qint64 id, bool status)
{
    db::save(QString::fromLatin1(sql::kUpdateTaskDone), {QVariant(status), QVariant(id)}, this);
    scheduleRebuild();
}

void ToDoList::changedText(qint64 id, QString text)
{
    db::save(QString::fromLatin1(sql::kUpdateTaskText), {QVariant(text), QVariant(id)}, this);
    scheduleRebuild();
}

// The delegates report a change from inside their own event handling, with
// the editor and the model index still in use further up the stack. The
// rebuild deletes every item and closes the editor, so it runs once control
// is back in the event loop, never underneath the delegate.
void ToDoList::scheduleRebuild()
{
    if (rebuildPending)
        return;
    rebuildPending = true;
    QMetaObject::invokeMethod(this, &ToDoList::rebuildKeepingCell, Qt::QueuedConnection);
}

void ToDoList::rebuildKeepingCell()
{
    rebuildPending = false;
    showNotesKeepingCell();
}

void ToDoList::showNotesKeepingCell()
{
    const int row = notesWidget->currentRow();
    const int column = notesWidget->currentColumn();
    show_notes();
    notesWidget->setCurrentCell(row, column);
}

// Attachments name their task by a 32-bit ID.
qint32 ToDoList::taskIdAt(int row) const
{
    const QTableWidgetItem* idCell = notesWidget->item(row, 2);
    return idCell ? idCell->data(Qt::EditRole).toInt() : 0;
}

void ToDoList::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != followTimer) {
        QWidget::timerEvent(event);
        return;
    }
    if (!isVisible() || !goToCurrentDay)
        return;
    const int current = Platform::instance().currentDateTime().date().dayOfWeek();
    if (current != day) {
        day = current;
        show_notes();
    }
}

void ToDoList::set_skin(QString path)
{
    frame.setSkin(path);
}

void ToDoList::save_skin(const int& index)
{
    db::save(QString::fromLatin1(sql::kUpdateStickerSkin), {QVariant(index)}, this);
    if (isVisible()) {
        repaint();
        show_notes();
    }
}

void ToDoList::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setCursor(Qt::ClosedHandCursor);
    frame.press(event);
}

void ToDoList::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(frame.drag(event) ? Qt::ClosedHandCursor : Qt::ArrowCursor);
}

void ToDoList::mouseReleaseEvent(QMouseEvent* event)
{
    setCursor(Qt::ArrowCursor);
    frame.release();
    event->accept();
}

void ToDoList::save_pos(const int& x, const int& y)
{
    db::save(QString::fromLatin1(sql::kUpdateStickerPos), {QVariant(x), QVariant(y)}, this);
}

void ToDoList::save_size(const int& width, const int& height)
{
    db::save(QString::fromLatin1(sql::kUpdateStickerSize), {QVariant(width), QVariant(height)}, this);
}

void ToDoList::paintEvent(QPaintEvent*)
{
    frame.paint();
}

void ToDoList::resizeEvent(QResizeEvent* event)
{
    frame.fit(event->size());
    // The table starts below the skin's top band.
    gridLayout->setContentsMargins(-1, int(frame.skin().height() * 0.03), -1, 0);
    if (gridLayout_3->contentsMargins() != paper::margins(event->size()))
        gridLayout_3->setContentsMargins(paper::margins(event->size()));
    strip->fitNames(event->size());
    // Each step of a grip drag is stored; so is the size restored at
    // construction when it first arrives here, unchanged.
    save_size(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}
