#pragma once

#include "app/helpviewer.h"

#include <QObject>

class HelpStore;

// The help viewer as a loadable module: the help collection engine and the
// web view, kept out of the program until help is asked for.
class HelpModule : public QObject, public HelpViewer
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OrvoHelpViewer_iid)
    Q_INTERFACES(HelpViewer)
public:
    HelpModule();

    bool readPage(const QString& collection, const QString& identifier, Page* page) override;
    QWidget* openWindow(const Page& page) override;

private:
    HelpStore* store = nullptr;
};
