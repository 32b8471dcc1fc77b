#include "calendar/calendargadget.h"

#include "calendar/addnote.h"
#include "calendar/calendarmodel.h"
#include "calendar/notestore.h"
#include "platform/platform.h"
#include "widgets/sizepolicy.h"

#include <QCursor>
#include <QHelpEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

QString monthName(int month)
{
    return QLocale::system().monthName(month, QLocale::LongFormat);
}

}  // namespace

CalendarGadget::CalendarGadget(QWidget* parent)
    : QWidget(parent)
    , model(std::make_unique<CalendarModel>())
{
    view = new QTableView(this);
    view->setObjectName(QStringLiteral("view"));
    view->setModel(model.get());
    view->viewport()->installEventFilter(this);
    noteDialog = new addNote(this);

    view->setSelectionMode(QAbstractItemView::SingleSelection);
    for (QHeaderView* header : {view->horizontalHeader(), view->verticalHeader()}) {
        header->setVisible(true);
        header->setSectionResizeMode(QHeaderView::Stretch);
        header->setSectionsClickable(false);
    }
    setPolicy(view, QSizePolicy::Ignored, QSizePolicy::Ignored);
    view->setMinimumSize(350, 100);
    view->setMaximumSize(400, 9000);
    view->setSizeIncrement(0, 0);
    view->setBaseSize(0, 0);

    connect(model.get(), &CalendarModel::updated, this, &CalendarGadget::model_updated);
    connect(this, &CalendarGadget::do_update_model, model.get(), &CalendarModel::updateModel);

    monthButton = new QToolButton(this);
    monthButton->setObjectName(QStringLiteral("monthButton"));
    monthButton->setStyleSheet(QStringLiteral("background-color: rgb(209, 209, 209);"));
    monthButton->setAutoRaise(true);
    monthButton->setText(monthName(model->month));
    monthButton->setMinimumSize(25, 25);
    setPolicy(monthButton, QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(monthButton, &QToolButton::clicked, this, &CalendarGadget::selectMonths);

    yearSpin = new QSpinBox(this);
    yearSpin->setObjectName(QStringLiteral("yearSpin"));
    yearSpin->setMaximum(9999);
    yearSpin->setValue(model->year);
    connect(yearSpin, QOverload<int>::of(&QSpinBox::valueChanged), this, &CalendarGadget::selectYears);

    prevButton = new QPushButton(QIcon(QStringLiteral(":/img/arrow-left.png")), QString(), this);
    prevButton->setObjectName(QStringLiteral("prevButton"));
    setPolicy(prevButton, QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(prevButton, &QPushButton::clicked, this, &CalendarGadget::goToPrevMonth);
    nextButton = new QPushButton(QIcon(QStringLiteral(":/img/arrow-right.png")), QString(), this);
    nextButton->setObjectName(QStringLiteral("nextButton"));
    setPolicy(nextButton, QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(nextButton, &QPushButton::clicked, this, &CalendarGadget::goToNextMonth);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(2);
    header->addWidget(prevButton);
    header->addWidget(monthButton);
    header->addWidget(yearSpin);
    header->addWidget(nextButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addWidget(view);

    // A right click anywhere, the grid included, reaches the day menu; the
    // press has already made the cell under the cursor current.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &CalendarGadget::customContextMenuRequested);
}

CalendarGadget::~CalendarGadget()
{
    // The view goes before the model it shows.
    delete view;
}

void CalendarGadget::model_updated()
{
    monthButton->setText(monthName(model->month));
    yearSpin->setValue(model->year);
}

void CalendarGadget::goToPrevMonth()
{
    model->month = model->month == 1 ? 12 : model->month - 1;
    model->updateModel();
}

void CalendarGadget::goToNextMonth()
{
    model->month = model->month == 12 ? 1 : model->month + 1;
    model->updateModel();
}

void CalendarGadget::selectYears(int year)
{
    model->year = year;
    model->updateModel();
}

void CalendarGadget::gotoYear(int year)
{
    selectYears(year);
}

void CalendarGadget::firstDayChanged(int day)
{
    model->firstDayOfWeek = day + 1;
    model->updateModel();
}

void CalendarGadget::selectMonths()
{
    if (!monthMenu) {
        monthMenu = new QMenu(this);
        for (int m = 1; m <= 12; ++m) {
            QAction* action = monthMenu->addAction(monthName(m), this, &CalendarGadget::goToMonth);
            action->setData(m);
        }
    }
    monthMenu->exec(QCursor::pos());
}

void CalendarGadget::goToMonth()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    int month = QLocale::system().toDate(action->text(), QStringLiteral("MMMM")).month();
    // Should the locale ever fail to read back its own month name, the
    // entry's place in the menu still tells the month.
    if (month < 1 || month > 12)
        month = action->data().toInt();
    if (month < 1 || month > 12)
        return;
    model->month = month;
    model->updateModel();
}

QDate CalendarGadget::currentDay() const
{
    return view->selectionModel()->currentIndex().data(Qt::UserRole).toDate();
}

void CalendarGadget::customContextMenuRequested(QPoint)
{
    // No current cell reads as an invalid date, month 0.
    if (currentDay().month() != model->month) {
        QMessageBox::information(this, QStringLiteral("Error"),
                                 QStringLiteral("Only the days of the current month are edited!"), QMessageBox::Ok);
        return;
    }
    if (!dayMenu) {
        dayMenu = new QMenu(this);
        dayMenu->addAction(QIcon(QStringLiteral(":/img/new_note.png")), QStringLiteral("Новая заметка"), this,
                           &CalendarGadget::add_note);
        dayMenu->addAction(QIcon(QStringLiteral(":/img/edit_note.png")), QStringLiteral("Редактировать"), this,
                           &CalendarGadget::edit_notes);
        dayMenu->addAction(QIcon(QStringLiteral(":/img/view_note.png")), QStringLiteral("Показать список заметок"),
                           this, &CalendarGadget::view_notes);
    }
    dayMenu->exec(QCursor::pos());
}

void CalendarGadget::add_note()
{
    const QDate day = currentDay();
    noteDialog->prepare(day.toString(Qt::TextDate), QStringLiteral("Enter note text:"), false);
    noteDialog->exec();
    const QString text = noteDialog->noteEdit->text();
    if (noteDialog->saveRequested && !text.isEmpty())
        notestore::insertNote(text, day, Platform::instance().currentDateTime().time(), this);
    emit do_update_model();
}

void CalendarGadget::edit_notes()
{
    QMenu menu;
    const auto notes = notestore::notesOfDate(currentDay(), this);
    for (const notestore::NotePair& note : notes) {
        QAction* action = menu.addAction(QIcon(QStringLiteral(":/img/note.png")), note.text, this,
                                         &CalendarGadget::edit_note);
        action->setData(note.id);
    }
    menu.exec(QCursor::pos());
}

void CalendarGadget::edit_note()
{
    if (auto* action = qobject_cast<QAction*>(sender())) {
        const QDate day = currentDay();
        const qint64 id = action->data().toLongLong();
        noteDialog->prepare(day.toString(Qt::TextDate), action->text(), true);
        noteDialog->exec();
        const QString text = noteDialog->noteEdit->text();
        if (noteDialog->saveRequested && !text.isEmpty())
            notestore::updateNote(text, day, Platform::instance().currentDateTime().time(), id, this);
        if (noteDialog->deleteRequested)
            notestore::deleteNote(id, this);
    }
    emit do_update_model();
}

void CalendarGadget::view_notes()
{
    QMenu menu;
    const auto notes = notestore::notesOfDate(currentDay(), this);
    for (const notestore::NotePair& note : notes) {
        menu.addAction(QIcon(QStringLiteral(":/img/note.png")), note.text);
        menu.addSeparator();
    }
    menu.exec(QCursor::pos());
}

// The notes of a day show as a tip in their own colours; the tip stays up
// while the mouse rests on the day.
bool CalendarGadget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != view->viewport() || event->type() != QEvent::ToolTip)
        return QWidget::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = view->indexAt(help->pos());
    const QString text = index.data(Qt::ToolTipRole).toString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::setFont(QFont(QStringLiteral("Times"), 15));
    QPalette palette = QToolTip::palette();
    palette.setBrush(QPalette::All, QPalette::ToolTipText, QBrush(Qt::white, Qt::SolidPattern));
    palette.setBrush(QPalette::All, QPalette::ToolTipBase, QBrush(Qt::darkYellow, Qt::SolidPattern));
    QToolTip::setPalette(palette);
    QToolTip::showText(help->globalPos(), text, view->viewport(), view->visualRect(index));
    return true;
}
