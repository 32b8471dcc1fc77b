#include "app/orvowidgets.h"

#include "app/helplauncher.h"
#include "calendar/myqtcalendar.h"
#include "chat/orvochat.h"
#include "clock/digitalclockwidget.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/statements.h"
#include "platform/platform.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <cstdlib>

namespace {

const char* const kClockSkins[] = {
    ":/img/main_skin.png", ":/img/main_skin1.png", ":/img/main_skin2.png",
    ":/img/main_skin3.png", ":/img/main_skin4.png",
};
const char* const kStickerSkins[] = {
    ":/img/stiker2.png", ":/img/stiker.png", ":/img/stiker1.png",
    ":/img/stiker3.png", ":/img/stiker4.png",
};

void toggle(QWidget* window)
{
    if (!window)
        return;
    if (window->isVisible())
        window->hide();
    else
        window->show();
}

template <typename Slot>
QAction* makeAction(OrvoWidgets* owner, const QString& text, const char* icon, Slot slot)
{
    auto* action = new QAction(QIcon(OrvoWidgets::tr(icon)), text, owner);
    QObject::connect(action, &QAction::triggered, owner, slot);
    return action;
}

template <typename Path, std::size_t N>
void setItemPaths(QComboBox* list, Path (&paths)[N])
{
    for (std::size_t i = 0; i < N && int(i) < list->count(); ++i)
        list->setItemData(int(i), QString::fromLatin1(paths[i]), Qt::UserRole);
}

}  // namespace

OrvoWidgets::OrvoWidgets(QWidget* parent)
    : QMainWindow(parent)
{
    ui.setupUi(this);
    // The fusion style measures a group box's title a glyph short of what
    // it paints, which cuts the last letter off the long titles here.
    setStyleSheet(QStringLiteral("QGroupBox::title { padding-right: 3px; }"));
    attachSkinPaths();
    open_db();

    dgClockWidget = new DigitalClockWidget();
    dgClockWidget->show();

    chat = new OrvoChat();
    calendar = new myQtCalendar_();

    // The menu and its actions are the window's children and go with it.
    trayMenu = new QMenu(this);
    trayMenu->addAction(makeAction(this, QStringLiteral("&Настройки программы"), ":/img/setup.png",
                                   &OrvoWidgets::do_setup));
    trayMenu->addAction(makeAction(this, QStringLiteral("Показать/cкрыть чат"), ":/img/chat.png",
                                   &OrvoWidgets::do_chat));
    trayMenu->addAction(makeAction(this, QStringLiteral("Показать/cкрыть календарь"), ":/img/calendar.png",
                                   &OrvoWidgets::do_calendar));
    trayMenu->addAction(makeAction(this, QStringLiteral("Помощь"), ":/img/help.png", &OrvoWidgets::do_help));
    trayMenu->addSeparator();
    trayMenu->addAction(makeAction(this, QStringLiteral("Выход"), ":/img/exit.png", &QCoreApplication::quit));

    trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/img/tray.png")));
    trayIcon->setToolTip(QStringLiteral("OrvoWidgets 0.1"));
    connect(trayIcon, &QSystemTrayIcon::activated, this, &OrvoWidgets::sysTrayActivated);
    trayIcon->setContextMenu(trayMenu);
    // Asked as the toolkit asks when the icon becomes visible, which settles
    // the icon's kind for the life of the process.
    trayClickToggles = Platform::instance().trayIsStatusNotifier();
    trayIcon->setVisible(true);

    load_settings();
    connectSettings();

    trayIcon->showMessage(QStringLiteral("Добро пожаловать!"),
                          QStringLiteral("Двойной клик - показать/скрыть виджет."), trayIcon->icon(), 1000);
}

OrvoWidgets::~OrvoWidgets()
{
    // Quitting closes the help windows and ends their viewer.
    delete help;
    help = nullptr;
    // The gadgets have no parent: the window that made them deletes them,
    // before the connection they write through is let go.
    delete trayIcon;
    delete chat;
    delete calendar;
    delete dgClockWidget;
    db = QSqlDatabase();
}

QString OrvoWidgets::open_db()
{
    const QString error = db::openDefault(db);
    if (error.isEmpty())
        return error;
    QMessageBox::information(this, QStringLiteral("Error"), error, QMessageBox::Ok);
    std::exit(0);
}

void OrvoWidgets::attachSkinPaths()
{
    setItemPaths(ui.clock_skin, kClockSkins);
    setItemPaths(ui.Sticker_Skin, kStickerSkins);
}

void OrvoWidgets::set_clock_skin(int index)
{
    dgClockWidget->set_skin(ui.clock_skin->itemData(index, Qt::UserRole).toString());
}

// Made once the page holds the stored values, so filling it wrote nothing.
void OrvoWidgets::connectSettings()
{
    const auto spinChanged = QOverload<int>::of(&QSpinBox::valueChanged);
    const auto indexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    DigitalClockWidget* clock = dgClockWidget;
    connect(ui.spinBox_width, spinChanged, this, &OrvoWidgets::resize_dgClockWidget);
    connect(ui.spinBox_height, spinChanged, this, &OrvoWidgets::resize_dgClockWidget);
    connect(ui.DigitalClockWidget_StaysOnTop, &QCheckBox::stateChanged, clock,
            &DigitalClockWidget::save_DigitalClockWidget_StaysOnTop);
    connect(ui.ToDoList_StaysOnTop, &QCheckBox::stateChanged, clock, &DigitalClockWidget::save_ToDoList_StaysOnTop);
    connect(ui.spinBox_DefaultSectionSize, spinChanged, clock, &DigitalClockWidget::Set_ToDoList_DefaultSectionSize);
    connect(ui.Sticker_Skin, indexChanged, this, &OrvoWidgets::Sticker_Skin_currentIndexChanged);
    connect(ui.GoToCurrentToDo, &QCheckBox::stateChanged, clock, &DigitalClockWidget::save_GoToCurrentToDo);
    connect(ui.spinBox_chat_port, spinChanged, this, &OrvoWidgets::change_chat_port);
    connect(ui.clock_skin, indexChanged, this, &OrvoWidgets::do_save_skin);
    connect(ui.doubleSpinBoxsetOpacity, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &OrvoWidgets::do_set_opacity);
}

void OrvoWidgets::do_setup()
{
    show();
}

void OrvoWidgets::show_clock()
{
    dgClockWidget->show();
    dgClockWidget->raise();
}

void OrvoWidgets::do_ShowHideDgClockWidget()
{
    toggle(dgClockWidget);
}

void OrvoWidgets::do_chat()
{
    toggle(chat);
}

void OrvoWidgets::do_calendar()
{
    toggle(calendar);
}

void OrvoWidgets::sysTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // On an XEmbed tray a double click also brings a single click first,
    // which must not toggle as well.
    if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && trayClickToggles))
        toggle(dgClockWidget);
}

void OrvoWidgets::change_chat_port(int port)
{
    chat->change_port(port);
}

void OrvoWidgets::load_settings()
{
    const auto row = db::readFirst(QLatin1String(sql::kSelectSettingsPage));
    if (!row)
        return;
    const db::Row& v = *row;
    ui.spinBox_width->setValue(v.at(0).toInt());
    ui.spinBox_height->setValue(v.at(1).toInt());
    ui.DigitalClockWidget_StaysOnTop->setChecked(v.at(2).toBool());
    ui.ToDoList_StaysOnTop->setChecked(v.at(3).toBool());
    ui.spinBox_DefaultSectionSize->setValue(v.at(4).toInt());
    ui.Sticker_Skin->setCurrentIndex(v.at(5).toInt());
    dgClockWidget->set_sticker_skin(ui.Sticker_Skin->itemData(v.at(5).toInt(), Qt::UserRole).toString(), 0,
                                    false);
    ui.GoToCurrentToDo->setChecked(v.at(6).toBool());
    ui.spinBox_chat_port->setValue(v.at(7).toInt());
    chat->open_port(v.at(7).toInt());
    ui.clock_skin->setCurrentIndex(v.at(8).toInt());
    set_clock_skin(v.at(8).toInt());
    ui.lineEdit->setText(v.at(9).toString());
    ui.doubleSpinBoxsetOpacity->setValue(v.at(10).toDouble());
}

void OrvoWidgets::resize_dgClockWidget(int)
{
    const int width = ui.spinBox_width->value();
    const int height = ui.spinBox_height->value();
    dgClockWidget->resize(width, height);
    dgClockWidget->save_size(width, height);
}

void OrvoWidgets::on_ToDoListFont_clicked()
{
    dgClockWidget->set_ToDoList_Font();
}

void OrvoWidgets::on_ToDoListColor_clicked()
{
    dgClockWidget->set_ToDoList_TextColor();
}

void OrvoWidgets::on_clock_Color_clicked()
{
    dgClockWidget->set_Clock_TextColor();
}

void OrvoWidgets::on_toolButton_clicked()
{
    // "*.*" would hide every file without an extension, which here is
    // most programs and scripts: all files means "*".
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Выберите файл"), QString(), tr("ALL (*)"));
    if (path.isEmpty())
        return;
    db::save(QLatin1String(sql::kUpdateFileToRun), {path}, this);
    ui.lineEdit->setText(path);
}

void OrvoWidgets::on_toolButton_2_clicked()
{
    db::save(QLatin1String(sql::kUpdateFileToRun), {ui.lineEdit->text()}, this);
}

void OrvoWidgets::Sticker_Skin_currentIndexChanged(int index)
{
    dgClockWidget->set_sticker_skin(ui.Sticker_Skin->itemData(index, Qt::UserRole).toString(), index, true);
}

void OrvoWidgets::do_save_skin(int id)
{
    dgClockWidget->save_skin(id);
    set_clock_skin(id);
}

void OrvoWidgets::do_set_opacity(double value)
{
    dgClockWidget->set_opacity(value);
}

void OrvoWidgets::do_help()
{
    if (!help) {
        const QString folder = QCoreApplication::applicationDirPath();
        help = new HelpLauncher(folder + QLatin1String("/orvo-help"), folder + QLatin1String("/help/my_help.qhc"),
                                QStringLiteral("Clock"), this);
        // Queued: the box's own event loop must not run inside the viewer's signal.
        connect(
            help, &HelpLauncher::failed, this,
            [this] {
                QMessageBox::information(this, QStringLiteral("Help"), QStringLiteral("Help download error"),
                                         QMessageBox::Ok);
            },
            Qt::QueuedConnection);
    }
    help->open();
}
