#include "todo/todolist.h"

#include "db/database.h"
#include "db/statements.h"
#include "platform/onscreen.h"
#include "platform/platform.h"
#include "todo/myedit.h"
#include "todo/myitemdelegate.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSaveFile>
#include <QSizeGrip>
#include <QSplashScreen>
#include <QTableWidgetItem>
#include <QTimerEvent>
#include <QUrl>
#include <QtEndian>
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

// Larger files can only be attached as links: a copy is held in memory
// whole, compressed and uncompressed, and stored with one INSERT.
constexpr qint64 kMaxCopySize = 52428800;

// A stored copy starts with the uncompressed length, big-endian: 0 marks a
// truly empty file, while any other content that uncompresses to nothing
// is damaged (or was never read).
bool isEmptyContent(const QByteArray& data)
{
    return data.size() >= 4 && qFromBigEndian<quint32>(data.constData()) == 0;
}

// Every sticker skin draws its paper 5, 4, 11 and 16 of its 314 x 372
// pixels in from the left, top, right and bottom (a shadow below and to the
// right), with the lower right corner rolled up 46 pixels. The window's
// contents keep to the paper: off it, they would stand on the bare desktop.
QMargins paperMargins(QSize size)
{
    const auto across = [&](double pixels) { return qMax(9, qCeil(size.width() * pixels / 314)); };
    const auto down = [&](double pixels) { return qMax(9, qCeil(size.height() * pixels / 372)); };
    return QMargins(across(7), down(6), across(13), down(20));
}

// An attachment's name ends before the rolled-up corner, which the strip's
// right end lies on.
void keepClearOfTheCurl(QLabel* name, QSize size)
{
    name->setContentsMargins(0, 0, qMax(0, qCeil(size.width() * 59 / 314.0) - paperMargins(size).right()), 0);
}

void openWithDesktop(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace

ToDoList::ToDoList(QWidget* parent)
    : QWidget(parent)
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

    connect(notesWidget, &QTableWidget::currentItemChanged, this, &ToDoList::getAttach);

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
    menu->addAction(QIcon(QStringLiteral(":/img/new.png")), QStringLiteral("Добавить"), this,
                    &ToDoList::insert_note);
    menu->addAction(QIcon(QStringLiteral(":/img/del_1.png")), QStringLiteral("Удалить"), this,
                    &ToDoList::delete_note);
    menu->addAction(QIcon(QStringLiteral(":/img/exit.png")), QStringLiteral("Закрыть"), this,
                    &ToDoList::close_note);
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

qint32 ToDoList::currentAttachId() const
{
    return tabWidget->currentWidget()->property("ID").toInt();
}

void ToDoList::getAttach(QTableWidgetItem* current, QTableWidgetItem*)
{
    // The pages are the strip's own: removing them alone would keep every
    // listing's labels alive until the window goes.
    QList<QWidget*> pages;
    for (int i = 0; i < tabWidget->count(); ++i)
        pages.append(tabWidget->widget(i));
    tabWidget->clear();
    qDeleteAll(pages);

    if (!current)
        return;
    const auto rows = db::read(QString::fromLatin1(sql::kSelectAttachments), {QVariant(taskIdAt(current->row()))});
    if (!rows)
        return;
    for (const db::Row& r : *rows) {
        auto* page = new QLabel(r.at(1).toString());
        page->setObjectName(QStringLiteral("lb"));
        keepClearOfTheCurl(page, size());
        tabWidget->setCurrentIndex(tabWidget->addTab(page, QStringLiteral("Вложение")));
        tabWidget->currentWidget()->setProperty("ID", QVariant(r.at(0).toInt()));
    }
}

void ToDoList::on_tabWidget_customContextMenuRequested(QPoint)
{
    menu->clear();
    menu->addAction(QIcon(QStringLiteral(":/img/new.png")), QStringLiteral("Добавить"), this,
                    &ToDoList::add_attach);
    menu->addAction(QIcon(QStringLiteral(":/img/view.png")), QStringLiteral("Открыть"), this,
                    &ToDoList::view_attach);
    menu->addAction(QIcon(QStringLiteral(":/img/del_1.png")), QStringLiteral("Удалить"), this,
                    &ToDoList::delete_attach);
    menu->exec(QCursor::pos());
}

void ToDoList::add_attach()
{
    if (notesWidget->selectedItems().isEmpty())
        return;
    const qint32 task = taskIdAt(notesWidget->currentRow());
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Выберите файл для сохранения в БД"),
                                                      QString(), tr("ALL (*)"));
    if (path.isEmpty())
        return;

    QMessageBox choice;
    choice.setIcon(QMessageBox::Question);
    choice.setText(QStringLiteral("Выберете вариант сохранения документа"));
    QPushButton* link =
        choice.addButton(QStringLiteral("Сохранить ссылку на документ в базе"), QMessageBox::ActionRole);
    QPushButton* copy =
        choice.addButton(QStringLiteral("Сохранить копию документа в базу"), QMessageBox::ActionRole);
    choice.addButton(QStringLiteral("Отмена"), QMessageBox::ActionRole);
    choice.exec();

    if (choice.clickedButton() == link) {
        // A link keeps the empty string, not NULL, as its content.
        db::save(QString::fromLatin1(sql::kInsertAttachment),
                 {path, QVariant(QStringLiteral("")), QVariant(task), QVariant(true)}, this);
    } else if (choice.clickedButton() == copy) {
        if (QFileInfo(path).size() > kMaxCopySize) {
            db::showError(this, QStringLiteral("Файлы больше 50 Мегабайт необходимо сохранять как ссылку на файл."));
            return;
        }
        QSplashScreen splash(QPixmap(QStringLiteral(":/img/splash.png")));
        splash.setWindowModality(Qt::ApplicationModal);
        splash.show();
        splash.showMessage(QStringLiteral("Конвертация документа... "), Qt::AlignBottom | Qt::AlignHCenter, Qt::black);
        const QByteArray content = read_attach_file(path);
        db::save(QString::fromLatin1(sql::kInsertAttachment),
                 {QFileInfo(path).fileName(), QVariant(content), QVariant(task), QVariant(false)}, this);
    } else {
        return;
    }
    showNotesKeepingCell();
}

QByteArray ToDoList::read_attach_file(QString path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, QStringLiteral("ВНИМАНИЕ"), QStringLiteral("Невозможно открыть файл! ") + path,
                             QMessageBox::Ok);
        return QByteArray();
    }
    // The file's bytes are freed on return, before the INSERT copies the
    // compressed form: at most the file and its compressed form are held.
    return qCompress(file.readAll(), -1);
}

void ToDoList::view_attach()
{
    if (tabWidget->count() == 0)
        return;
    const auto rows = db::read(QString::fromLatin1(sql::kSelectAttachment), {QVariant(currentAttachId())});
    if (!rows || rows->isEmpty())
        return;
    const db::Row& r = rows->first();
    const QByteArray attach = r.at(0).toByteArray();
    const QString filename = r.at(1).toString();
    if (r.at(2).toBool()) {
        openWithDesktop(filename);
        return;
    }

    const QString start = QDir(db::dataDirectory()).filePath(QStringLiteral("to_save"));
    if (!QDir().mkpath(start)) {
        const QString reason = Platform::instance().lastErrorText();
        QMessageBox::warning(this, QStringLiteral("ERR!"), reason, QMessageBox::Ok);
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Выберите каталог для сохранения файла"), start,
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty())
        return;
    // A stored name never leads out of the chosen folder.
    const QString target = folder + QLatin1Char('/') + QFileInfo(filename).fileName();
    if (!write_attach_file(attach, target))
        return;
    const auto answer =
        QMessageBox::question(this, QStringLiteral("Открытие"), QStringLiteral("Открыть файл? ") + target,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Ok)
        openWithDesktop(target);
}

// The user's existing file is replaced only by a whole new one: the content
// is uncompressed first, written beside the target and renamed over it once
// it is complete. A damaged copy or a failed write leaves the file as it was.
bool ToDoList::write_attach_file(QByteArray data, QString path)
{
    const QByteArray bytes = qUncompress(data);
    if (bytes.isEmpty() && !isEmptyContent(data)) {
        QMessageBox::critical(this, QStringLiteral("Error!"),
                              QStringLiteral("Копия документа в базе повреждена или отсутствует, файл не сохранён: ")
                                  + path,
                              QMessageBox::Ok);
        return false;
    }
    // Where the file already is, failing to put the new one in its place is
    // failing to remove the old one.
    const bool existed = QFileInfo::exists(path);
    const auto cannotReplace = [&] {
        QMessageBox::warning(this, QStringLiteral("ВНИМАНИЕ"), QStringLiteral("Невозможно удалить файл! ") + path,
                             QMessageBox::Ok);
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) && existed)
        return cannotReplace();
    const qint64 written = file.isOpen() ? file.write(bytes) : -1;
    // A short write (a full disk, a file size limit) sets no error of its
    // own: committing it would put a truncated copy over the user's file.
    if (written != bytes.size() && file.isOpen()) {
        const QString reason = Platform::instance().lastErrorText();
        file.cancelWriting();
        QMessageBox::critical(this, QStringLiteral("Error!"), reason.isEmpty() ? file.errorString() : reason,
                              QMessageBox::Ok);
        return false;
    }
    if (file.isOpen() && file.commit())
        return written > 0;  // an empty file is created, but nothing is offered to open
    if (file.error() == QFileDevice::RenameError && existed)
        return cannotReplace();
    QMessageBox::critical(this, QStringLiteral("Error!"), file.errorString(), QMessageBox::Ok);
    return false;
}

void ToDoList::delete_attach()
{
    if (tabWidget->count() == 0)
        return;
    const qint32 id = currentAttachId();
    const auto answer = QMessageBox::question(this, QStringLiteral("Удаление"),
                                              QStringLiteral("Вы действительно хотите удалить вложение"),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer != QMessageBox::Ok)
        return;
    db::save(QString::fromLatin1(sql::kDeleteAttachment), {QVariant(id)}, this);
    show_notes();
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
    scaledSkin.load(path);
    loadedSkin = scaledSkin;
    if (!loadedSkin.isNull())
        scaledSkin = loadedSkin.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    if (event->button() == Qt::LeftButton) {
        setCursor(Qt::ClosedHandCursor);
        dragOffset = event->globalPos() - frameGeometry().topLeft();
    }
    event->accept();
}

void ToDoList::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(Qt::ArrowCursor);
    if (event->buttons() & Qt::LeftButton) {
        setCursor(Qt::ClosedHandCursor);
        move(event->globalPos() - dragOffset);
    }
    event->accept();
}

// Every release stores the position, moved or not.
void ToDoList::mouseReleaseEvent(QMouseEvent* event)
{
    setCursor(Qt::ArrowCursor);
    save_pos(x(), y());
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
    QPainter painter(this);
    painter.drawPixmap(0, 0, scaledSkin.width(), scaledSkin.height(), scaledSkin);
}

void ToDoList::resizeEvent(QResizeEvent* event)
{
    scaledSkin = loadedSkin.isNull()
        ? QPixmap()
        : loadedSkin.scaled(event->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The table starts below the skin's top band.
    gridLayout->setContentsMargins(-1, int(scaledSkin.height() * 0.03), -1, 0);
    if (gridLayout_3->contentsMargins() != paperMargins(event->size()))
        gridLayout_3->setContentsMargins(paperMargins(event->size()));
    const auto names = tabWidget->findChildren<QLabel*>(QStringLiteral("lb"));
    for (QLabel* name : names)
        keepClearOfTheCurl(name, event->size());
    // Each step of a grip drag is stored; so is the size restored at
    // construction when it first arrives here, unchanged.
    save_size(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}
