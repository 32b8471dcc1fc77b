#pragma once

#include <QObject>
#include <QSocketNotifier>

class HelpStore;
class QWebEngineProfile;

// The help viewer's side of the process: reads the program's requests from
// standard input and opens a web view window with the collection's page for
// each. The web engine lives only in this process, so its memory goes back
// to the system when the last help window closes.
class HelpViewer : public QObject
{
    Q_OBJECT
public:
    HelpViewer(const QString& collection, const QString& identifier, QObject* parent = nullptr);
    ~HelpViewer() override;

    // Answers one request; returns the answer's line.
    QByteArray open();

private:
    void readRequests();
    void inputEnded();

    QString collection;
    QString identifier;
    int answers = -1;
    QSocketNotifier* notifier = nullptr;
    QByteArray pending;
    // Off the record: the viewer keeps no cache or history on disk.
    QWebEngineProfile* profile = nullptr;
    HelpStore* store = nullptr;
};
