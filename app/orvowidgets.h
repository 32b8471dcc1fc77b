#pragma once

#include <QMainWindow>
#include <QSqlDatabase>
#include <QSystemTrayIcon>

#include "ui_orvowidgets.h"

class DigitalClockWidget;
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
    void load_settings();
    void sysTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void change_chat_port(int port);

private:
    void attachSkinPaths();

    QSqlDatabase db;
    Ui::OrvoWidgetsClass ui;
    DigitalClockWidget* dgClockWidget = nullptr;
    OrvoChat* chat = nullptr;
    myQtCalendar_* calendar = nullptr;
};
