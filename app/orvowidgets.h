#pragma once

#include <QMainWindow>
#include <QSqlDatabase>
#include <QSystemTrayIcon>

#include "ui_orvowidgets.h"

class DigitalClockWidget;
class HelpLauncher;
class QMenu;
class OrvoChat;
class myQtCalendar_;

// The main window: it is the settings page, owns the database connection,
// creates the gadgets and puts the tray icon with its menu up. It is never
// shown at start.
class OrvoWidgets : public QMainWindow
{
    Q_OBJECT
public:
    explicit OrvoWidgets(QWidget* parent = nullptr);
    ~OrvoWidgets() override;

    QString open_db();
    void set_clock_skin(int index);

public slots:
    // Brings the clock forward, for a second start of the program.
    void show_clock();

private slots:
    void do_setup();
    void do_ShowHideDgClockWidget();
    void do_chat();
    void do_calendar();
    void do_help();
    void load_settings();
    void resize_dgClockWidget(int);
    void sysTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void on_ToDoListFont_clicked();
    void on_ToDoListColor_clicked();
    void on_clock_Color_clicked();
    void on_toolButton_clicked();
    void on_toolButton_2_clicked();
    void Sticker_Skin_currentIndexChanged(int index);
    void change_chat_port(int port);
    void do_save_skin(int id);
    void do_set_opacity(double value);

private:
    void attachSkinPaths();
    void connectSettings();

    QSqlDatabase db;
    Ui::OrvoWidgetsClass ui;
    DigitalClockWidget* dgClockWidget = nullptr;
    OrvoChat* chat = nullptr;
    myQtCalendar_* calendar = nullptr;
    QSystemTrayIcon* trayIcon = nullptr;
    QMenu* trayMenu = nullptr;
    // The help viewer's process, started on the first "Помощь".
    HelpLauncher* help = nullptr;
    // A StatusNotifier panel reports a click, and never a double click: there
    // the click toggles the clock.
    bool trayClickToggles = false;
};
