#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

// The program's side of the help viewer, which runs as a process of its own
// (orvo-help beside the executable): the web engine's memory is then given
// back when the last help window closes. The first request starts the
// viewer, later ones ask the running viewer for one more window. The viewer
// ends by itself when its last window closes; quitting the program ends it
// with its windows.
class HelpLauncher : public QObject
{
    Q_OBJECT
public:
    HelpLauncher(const QString& viewer, const QString& collection, const QString& identifier,
                 QObject* parent = nullptr);
    ~HelpLauncher() override;

    // One more window with the page.
    void open();

    // The running viewer's process id, 0 when none runs.
    qint64 viewerPid() const { return process.processId(); }

signals:
    // The collection could not be opened, or the viewer did not start.
    void failed();

private:
    void start();
    void readAnswers();
    void viewerEnded();

    QString viewer;
    QStringList arguments;
    QProcess process;
    int unanswered = 0;
    bool answered = false;  // by the viewer now running
};
