#include "calendar/myqtcalendar.h"

#include "calendar/calendargadget.h"
#include "calendar/calendarmodel.h"
#include "db/database.h"
#include "db/statements.h"
#include "platform/onscreen.h"
#include "platform/platform.h"
#include "widgets/menuentries.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QStyle>
#include <QToolButton>

namespace {

// The grid place of a month's view: three months to a row under the header
// row; the third column spans the label and the combo box above it.
struct Place
{
    int row;
    int column;
    int columnSpan;
};

Place placeOfMonth(int month)
{
    const int column = (month - 1) % 3;
    return {1 + (month - 1) / 3, column, column == 2 ? 2 : 1};
}

}  // namespace

myQtCalendar_::myQtCalendar_(QWidget* parent)
    : QMainWindow(parent)
{
    ui.setupUi(this);

    QStringList paths = QCoreApplication::libraryPaths();
    const QString plugins = QCoreApplication::applicationDirPath() + QStringLiteral("/plugins/");
    if (!paths.contains(plugins)) {
        paths.append(plugins);
        QCoreApplication::setLibraryPaths(paths);
    }

    setWindowTitle(QStringLiteral("base -  ") + QSqlDatabase::database().databaseName());
    // Application-wide; setting it again would only repolish every widget.
    if (QApplication::style()->objectName().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStringLiteral("fusion"));

    QMenu* settings = ui.menuBar->addMenu(QStringLiteral("Настройки"));
    addEntries<myQtCalendar_>(settings, this,
                              {{":/img/calendar.png", "Год", &myQtCalendar_::view_year},
                               {":/img/calendar.png", "Месяц", &myQtCalendar_::view_month},
                               {":/img/setup.png", "Запомнить позицию", &myQtCalendar_::save_pos}});

    titleButton = new QToolButton;
    titleButton->setAutoRaise(true);
    titleButton->setText(QStringLiteral("Календарик"));
    titleButton->setMinimumSize(25, 25);
    titleButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    weekStartLabel = new QLabel(QStringLiteral("Неделя начинается с:"));

    weekStartCombo = new QComboBox;
    weekStartCombo->setObjectName(QStringLiteral("weekStartCombo"));
    for (int d = Qt::Monday; d <= Qt::Sunday; ++d)
        weekStartCombo->addItem(QLocale::system().dayName(d, QLocale::LongFormat), d);

    const QDate today = Platform::instance().currentDateTime().date();
    yearSpin = new QSpinBox;
    yearSpin->setObjectName(QStringLiteral("yearSpin"));
    yearSpin->setMaximum(9999);
    yearSpin->setValue(today.year());

    grid = new QGridLayout(ui.centralWidget);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->addWidget(titleButton, 0, 0);
    grid->addWidget(yearSpin, 0, 1);
    grid->addWidget(weekStartLabel, 0, 2);
    grid->addWidget(weekStartCombo, 0, 3);

    for (int m = 1; m <= 12; ++m) {
        auto* gadget = new CalendarGadget;
        gadgets.append(gadget);
        gadget->calendarModel()->month = m;
        gadget->calendarModel()->updateModel();
        connect(yearSpin, QOverload<int>::of(&QSpinBox::valueChanged), gadget, &CalendarGadget::gotoYear);
        connect(weekStartCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), gadget,
                &CalendarGadget::firstDayChanged);
    }
    for (int m = 1; m <= 12; ++m) {
        const Place place = placeOfMonth(m);
        grid->addWidget(gadgets.at(m - 1), place.row, place.column, 1, place.columnSpan);
    }

    load_pos();
    onscreen::keep(this);
}

myQtCalendar_::~myQtCalendar_()
{
    qDeleteAll(gadgets);
}

void myQtCalendar_::view_year()
{
    if (monthView)
        monthSize = size();
    for (int i = 0; i < grid->count(); ++i)
        grid->itemAt(i)->widget()->show();
    monthView = false;
}

void myQtCalendar_::view_month()
{
    for (int i = 0; i < grid->count(); ++i)
        grid->itemAt(i)->widget()->hide();
    const int month = Platform::instance().currentDateTime().date().month();
    const Place place = placeOfMonth(month);
    grid->itemAtPosition(place.row, place.column)->widget()->show();
    // The twelve months have stretched the window; one month goes back to
    // the size it had, or to its own when it never had one.
    if (!monthView) {
        layout()->activate();
        resize(monthSize.isValid() ? monthSize : sizeHint());
    }
    monthView = true;
}

void myQtCalendar_::save_pos()
{
    db::save(QLatin1String(sql::kUpdateCalendar), {x(), y(), width(), height(), monthView}, this);
}

void myQtCalendar_::load_pos()
{
    const auto row = db::readFirst(QLatin1String(sql::kSelectCalendar));
    if (!row)
        return;
    const db::Row& r = *row;  // Calendar_Pos_x, _Pos_y, _Width, _Height, View_month
    move(r.at(0).toInt(), r.at(1).toInt());
    resize(r.at(2).toInt(), r.at(3).toInt());
    if (r.at(4).toBool()) {
        monthSize = size();
        view_month();
    }
}
