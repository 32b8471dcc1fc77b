#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QtPlugin>

class QWidget;

// What the help module offers the program. The module carries the web
// engine, whose libraries cost start-up time and memory all day long, so
// the program loads it only when the user first asks for help.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;

    struct Page
    {
        QByteArray html;  // empty when the collection has no such page
        QUrl address;     // where the page lives in the help store
    };

    // Opens the help collection `collection` and reads the first page it
    // registers for `identifier`. Returns false when the collection cannot
    // be opened.
    virtual bool readPage(const QString& collection, const QString& identifier, Page* page) = 0;

    // A new top-level window showing `page`; links and pictures in it are
    // read from the help store. The window deletes itself when closed.
    virtual QWidget* openWindow(const Page& page) = 0;
};

#define OrvoHelpViewer_iid "org.orvowidgets.HelpViewer/1.0"
Q_DECLARE_INTERFACE(HelpViewer, OrvoHelpViewer_iid)
