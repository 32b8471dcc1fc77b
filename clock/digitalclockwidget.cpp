#include "clock/digitalclockwidget.h"

#include "db/database.h"
#include "db/statements.h"
#include "platform/onscreen.h"
#include "platform/platform.h"
#include "todo/todolist.h"
#include "widgets/sizepolicy.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QToolButton>
#include <QUrl>
#include <QtMath>

namespace {

const QString kWorkdaySheet = QStringLiteral("background-color: rgb(0, 85, 0);");
const QString kWeekendSheet = QStringLiteral("background-color: rgb(170, 0, 0);");
const QString kTodaySheet = QStringLiteral("background-color: rgb(0, 170, 0);");
const QString kBarSheet = QStringLiteral("QProgressBar::chunk {background-color:  rgb(0, 112, 0);}");

constexpr Qt::WindowFlags kClockFlags = Qt::Tool | Qt::FramelessWindowHint;

const char kDateFont[] = "Arial,15,-1,5,75,0,0,0,0,0";
// Below this the date would be too small to read at all.
constexpr int kSmallestDatePoints = 5;

QFont faceFont(const char* description)
{
    QFont font;
    font.fromString(QLatin1String(description));
    return font;
}

QProgressBar* makeLoadBar(const char* name)
{
    auto* bar = new QProgressBar();
    bar->setObjectName(QLatin1String(name));
    setPolicy(bar, QSizePolicy::Fixed, QSizePolicy::Fixed);
    bar->setMaximumSize(30, 15);
    bar->setStyleSheet(kBarSheet);
    bar->setRange(0, 100);
    bar->setValue(24);
    bar->setTextVisible(false);
    bar->setInvertedAppearance(false);
    return bar;
}

QLabel* makeCaption(const char* name, const char* text)
{
    auto* label = new QLabel();
    label->setObjectName(QLatin1String(name));
    setPolicy(label, QSizePolicy::Fixed, QSizePolicy::Fixed);
    label->setFont(faceFont("Arial,10,-1,5,75,0,0,0,0,0"));
    label->setText(QLatin1String(text));
    // The two captions stand side by side one pixel apart: without room
    // of their own they read as one word.
    label->setContentsMargins(0, 0, 5, 0);
    return label;
}

// Where the face's children may go. Every skin draws its face as a rounded
// rectangle inset 3.5 and 1.5 from the sides of a 360 x 90 picture, with
// corners of radius 13, and is stretched to the window: children kept
// within the corners' 45-degree points stay on the face at any size.
QMargins faceMargins(QSize size)
{
    const double corner = 13 * (1 - M_SQRT1_2);
    const int across = qMax(3, qCeil(size.width() * (3.5 + corner) / 360));
    const int down = qMax(3, qCeil(size.height() * (1.5 + corner) / 90));
    return QMargins(across, down, across, down);
}

// The name of the style that `font` is drawn with, as the font database
// lists it for the family; empty when the family has no such style.
QString styleNameOf(const QFont& font)
{
    const QString used = QFontInfo(font).styleName();
    return QFontDatabase().styles(font.family()).contains(used) ? used : QString();
}

// Whether the dialog handed back the font it was opened on: the style's
// name, or an oblique for an italic, is no choice of the user's.
bool sameFont(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && qFuzzyCompare(a.pointSizeF(), b.pointSizeF()) && a.weight() == b.weight()
        && a.italic() == b.italic() && a.underline() == b.underline() && a.strikeOut() == b.strikeOut();
}

void showPlainMessage(const QString& text)
{
    QMessageBox box;
    box.setText(text);
    box.exec();
}

}  // namespace

DigitalClockWidget::DigitalClockWidget(QWidget* parent)
    : QWidget(parent)
    , platform(&Platform::instance())
    , frame(this, [this](int x, int y) { save_pos(x, y); })
{
    current_day = platform->currentDateTime().date().dayOfWeek();
    setup_face();
    onscreen::keep(this);
    startTimer(1000, Qt::CoarseTimer);
    todo = new ToDoList();
}

DigitalClockWidget::~DigitalClockWidget()
{
    delete todo;
}

void DigitalClockWidget::setup_face()
{
    load_clock_settings();
    setWindowTitle(tr("Digital Clock"));
    load_pos();
    // The layout indicator may need parts of the system that are loaded at
    // run time; the platform layer says when one is missing.
    const QString warning = platform->layoutSupportWarning();
    if (!warning.isEmpty())
        QMessageBox::information(this, tr("Warning!"), warning, QMessageBox::Ok);

    lang_label = new QToolButton();
    lang_label->setObjectName(QStringLiteral("lang_label"));
    setPolicy(lang_label, QSizePolicy::Ignored, QSizePolicy::Expanding);
    lang_label->setFont(faceFont("Arial,9,-1,5,75,0,0,0,0,0"));
    lang_label->setText(QStringLiteral("RU"));
    lang_label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 0);"));
    lang_label->setCursor(Qt::PointingHandCursor);
    connect(lang_label, &QToolButton::clicked, this, &DigitalClockWidget::do_lang_label);

    month_label = new QLabel();
    month_label->setObjectName(QStringLiteral("month_label"));
    setPolicy(month_label, QSizePolicy::Ignored, QSizePolicy::Expanding);
    month_label->setFont(faceFont(kDateFont));
    month_label->setText(QStringLiteral("Load"));
    month_label->installEventFilter(this);

    QToolButton** days[] = {&day_1, &day_2, &day_3, &day_4, &day_5, &day_6, &day_7};
    void (DigitalClockWidget::*daySlots[])() = {
        &DigitalClockWidget::do_day_1, &DigitalClockWidget::do_day_2, &DigitalClockWidget::do_day_3,
        &DigitalClockWidget::do_day_4, &DigitalClockWidget::do_day_5, &DigitalClockWidget::do_day_6,
        &DigitalClockWidget::do_day_7};
    for (int n = 1; n <= 7; ++n) {
        auto* button = new QToolButton();
        button->setObjectName(QStringLiteral("day_%1").arg(n));
        setPolicy(button, QSizePolicy::Fixed, QSizePolicy::Fixed);
        button->setMaximumSize(25, 10);
        button->setStyleSheet(n >= 6 ? kWeekendSheet : kWorkdaySheet);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QToolButton::clicked, this, daySlots[n - 1]);
        *days[n - 1] = button;
    }

    lcdclock = new QLCDNumber(6);
    lcdclock->setObjectName(QStringLiteral("lcdclock"));
    setPolicy(lcdclock, QSizePolicy::Preferred, QSizePolicy::Preferred);
    lcdclock->setMinimumSize(0, 0);
    lcdclock->setFrameShape(QFrame::NoFrame);
    lcdclock->setSegmentStyle(QLCDNumber::Flat);
    lcdclock->display(QStringLiteral("Load.."));

    ram_label = makeCaption("ram_label", "RAM");
    cpu_label = makeCaption("cpu_label", "CPU");
    ram_progress = makeLoadBar("ram_progress");
    cpu_progress = makeLoadBar("cpu_progress");

    gridLayout = new QGridLayout(this);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setSizeConstraint(QLayout::SetDefaultConstraint);
    gridLayout->setSpacing(1);
    gridLayout->setContentsMargins(3, 3, 3, 3);
    gridLayout->addWidget(lang_label, 0, 0, 2, 2);
    gridLayout->addWidget(month_label, 0, 2, 2, 5);
    for (int n = 0; n < 7; ++n)
        gridLayout->addWidget(*days[n], 2, n, 1, 1);
    gridLayout->addWidget(lcdclock, 0, 7, 3, 1);
    gridLayout->addWidget(ram_label, 0, 8, 2, 1);
    gridLayout->addWidget(cpu_label, 0, 9, 2, 1);
    gridLayout->addWidget(ram_progress, 2, 8, 1, 1);
    gridLayout->addWidget(cpu_progress, 2, 9, 1, 1);

    apply_text_color(clock_text_color);
}

void DigitalClockWidget::load_clock_settings()
{
    const auto row = db::readFirst(QLatin1String(sql::kSelectClock));
    if (!row)
        return;
    resize(row->at(0).toInt(), row->at(1).toInt());
    todo_font = row->at(3).toString();
    todo_text_color = QColor(row->at(4).toString());
    clock_text_color = QColor(row->at(5).toString());
    frame.setOpacity(row->at(6).toDouble());
    repaint();
    setWindowFlags(row->at(2).toBool() ? kClockFlags | Qt::WindowStaysOnTopHint : kClockFlags);
    setAttribute(Qt::WA_TranslucentBackground);
}

void DigitalClockWidget::load_pos()
{
    const auto row = db::readFirst(QLatin1String(sql::kSelectClockPos));
    if (row)
        move(row->at(0).toInt(), row->at(1).toInt());
}

void DigitalClockWidget::apply_text_color(QColor color)
{
    const QString sheet =
        QStringLiteral("color: rgb(%1,%2,%3);").arg(color.red()).arg(color.green()).arg(color.blue());
    month_label->setStyleSheet(sheet);
    lcdclock->setStyleSheet(sheet);
    ram_label->setStyleSheet(sheet);
    cpu_label->setStyleSheet(sheet);
}

void DigitalClockWidget::timerEvent(QTimerEvent*)
{
    const QDateTime now = platform->currentDateTime();
    lcdclock->display(now.toString(QStringLiteral("hh:mm")));
    const QString date = now.toString(QStringLiteral("dd, MMMM"));
    if (date != month_label->text()) {
        month_label->setText(date);
        fit_month_label();
    }

    const int day = now.date().dayOfWeek();
    if (day != current_day) {
        current_day = day;
        const auto buttons = findChildren<QToolButton*>();
        for (QToolButton* button : buttons) {
            const QString name = button->objectName();
            if (!name.startsWith(QLatin1String("day_")))
                continue;
            const bool weekend = name == QLatin1String("day_6") || name == QLatin1String("day_7");
            button->setStyleSheet(weekend ? kWeekendSheet : kWorkdaySheet);
        }
    }
    if (auto* today = findChild<QToolButton*>(QStringLiteral("day_%1").arg(day))) {
        // Re-applying an unchanged sheet re-polishes the button every second
        // for nothing; what the user sees is the same either way.
        if (today->styleSheet() != kTodaySheet)
            today->setStyleSheet(kTodaySheet);
    }

    platform->sleepMs(10);

    qint64 load = 0;
    qint64 idle = 0, kernel = 0, user = 0;
    if (platform->processorTimes(idle, kernel, user)) {
        const qint64 dIdle = idle - prev_idle_time;
        const qint64 dKernel = kernel - prev_kernel_time;
        const qint64 dUser = user - prev_user_time;
        const qint64 total = dKernel + dUser;
        if (total != 0)
            load = (total - dIdle) * 100 / total;
        prev_idle_time = idle;
        prev_kernel_time = kernel;
        prev_user_time = user;
    }
    cpu_progress->setValue(int(load));

    // An unknown figure leaves the bar as it was.
    int memory = 0;
    if (platform->memoryLoad(memory))
        ram_progress->setValue(memory);

    lang_label->setText(platform->keyboardLayoutCountry());
}

// The weekday strip under the date sets its width, and a long month name
// ("06, December", "06, сентября") needs more than that at the face's size:
// the date steps down in size until all of it shows.
void DigitalClockWidget::fit_month_label()
{
    // Measured with the label's own font: it carries more than its
    // description says (the application's rendering options).
    QFont font = month_label->font();
    font.setPointSize(faceFont(kDateFont).pointSize());
    const QString text = month_label->text();
    const int room = month_label->contentsRect().width();
    while (font.pointSize() > kSmallestDatePoints && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSize(font.pointSize() - 1);
    if (font != month_label->font())
        month_label->setFont(font);
}

bool DigitalClockWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == month_label && event->type() == QEvent::Resize)
        fit_month_label();
    return QWidget::eventFilter(watched, event);
}

void DigitalClockWidget::mousePressEvent(QMouseEvent* event)
{
    frame.press(event);
}

void DigitalClockWidget::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(Qt::ClosedHandCursor);
    frame.drag(event);
}

void DigitalClockWidget::mouseReleaseEvent(QMouseEvent* event)
{
    frame.release();
    event->accept();
}

void DigitalClockWidget::save_pos(const int& x, const int& y)
{
    db::save(QLatin1String(sql::kUpdateClockPos), {x, y}, this);
}

void DigitalClockWidget::paintEvent(QPaintEvent*)
{
    frame.paint();
}

void DigitalClockWidget::resizeEvent(QResizeEvent* event)
{
    frame.fit(size());
    if (gridLayout && gridLayout->contentsMargins() != faceMargins(size()))
        gridLayout->setContentsMargins(faceMargins(size()));
    QWidget::resizeEvent(event);
}

void DigitalClockWidget::set_skin(const QString& path)
{
    frame.setSkin(path);
    repaint();
}

void DigitalClockWidget::save_skin(int index)
{
    db::save(QLatin1String(sql::kUpdateClockSkin), {index}, this);
}

void DigitalClockWidget::set_opacity(double value)
{
    db::save(QLatin1String(sql::kUpdateClockOpacity), {value}, this);
    frame.setOpacity(value);
    repaint();
}

void DigitalClockWidget::save_size(const int& w, const int& h)
{
    db::save(QLatin1String(sql::kUpdateClockSize), {w, h}, this);
}

void DigitalClockWidget::set_Clock_TextColor()
{
    const QColor color = QColorDialog::getColor(clock_text_color, this, QString());
    if (!color.isValid())
        return;
    apply_text_color(color);
    db::save(QLatin1String(sql::kUpdateClockTextColor), {color.name()}, this);
}

// Like the clock's colour, the dialog starts from the colour the clock was
// built with, whatever was chosen since.
void DigitalClockWidget::set_ToDoList_TextColor()
{
    const QColor color = QColorDialog::getColor(todo_text_color, this, QString());
    if (!color.isValid())
        return;
    todo->set_text_color(color);
    db::save(QLatin1String(sql::kUpdateStickerTextColor), {color.name()}, this);
}

// The next dialog starts from the last font chosen.
void DigitalClockWidget::set_ToDoList_Font()
{
    QFont start;
    start.fromString(todo_font);
    QFont shown = start;
    // The dialog selects a style by its name, which a stored description
    // seldom carries; left to itself it may pick any of the family's styles
    // (an oblique one, say) and hand that back as if the user had.
    if (shown.styleName().isEmpty())
        shown.setStyleName(styleNameOf(start));
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, shown, this, QString());
    if (!chosen)
        return;
    // A font the user did not change is stored as it was.
    const QString description = sameFont(font, start) ? todo_font : font.toString();
    todo->set_font(description);
    todo_font = description;
    db::save(QLatin1String(sql::kUpdateStickerFont), {description}, this);
}

void DigitalClockWidget::set_sticker_skin(QString path, int index, bool save)
{
    todo->set_skin(path);
    if (save)
        todo->save_skin(index);
}

void DigitalClockWidget::open_day(int day)
{
    todo->set_day(day);
    todo->show_notes();
}

void DigitalClockWidget::do_day_1() { open_day(1); }
void DigitalClockWidget::do_day_2() { open_day(2); }
void DigitalClockWidget::do_day_3() { open_day(3); }
void DigitalClockWidget::do_day_4() { open_day(4); }
void DigitalClockWidget::do_day_5() { open_day(5); }
void DigitalClockWidget::do_day_6() { open_day(6); }
void DigitalClockWidget::do_day_7() { open_day(7); }

void DigitalClockWidget::do_lang_label()
{
    const auto row = db::readFirst(QLatin1String(sql::kSelectFileToRun));
    if (!row)
        return;
    const QString path = row->at(0).toString();
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DigitalClockWidget::save_DigitalClockWidget_StaysOnTop(int state)
{
    db::save(QLatin1String(sql::kUpdateClockOnTop), {state}, this);
    setWindowFlags(state != 0 ? kClockFlags | Qt::WindowStaysOnTopHint : kClockFlags);
    setAttribute(Qt::WA_TranslucentBackground);
    showPlainMessage(QStringLiteral("Для применения настроек перезайдите в программу!"));
    QCoreApplication::quit();
}

void DigitalClockWidget::save_ToDoList_StaysOnTop(int state)
{
    db::save(QLatin1String(sql::kUpdateStickerOnTop), {state}, this);
    todo->setWindowFlags(state != 0 ? kClockFlags | Qt::WindowStaysOnTopHint : kClockFlags);
    todo->setAttribute(Qt::WA_TranslucentBackground);
    showPlainMessage(QStringLiteral("Для применения настроек перезайдите в программу!"));
    QCoreApplication::quit();
}

void DigitalClockWidget::Set_ToDoList_DefaultSectionSize(int size)
{
    db::save(QLatin1String(sql::kUpdateSectionSize), {size}, this);
    todo->set_section_size(size);
}

void DigitalClockWidget::save_GoToCurrentToDo(int state)
{
    db::save(QLatin1String(sql::kUpdateGoToCurrentDay), {state}, this);
    todo->set_go_to_current_day(state != 0);
    if (state != 0)
        showPlainMessage(QStringLiteral("В данном режиме программа автоматически будет переходить на задачи текущего дня."));
}
