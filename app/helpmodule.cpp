#include "app/helpmodule.h"

#include "app/helpstore.h"

#include <QFileInfo>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <memory>

HelpModule::HelpModule()
{
    // The first module is created before any web view exists: the last
    // moment at which the engine still takes a new scheme. The module stays
    // mapped once loaded, so this holds for the whole process.
    static const bool registered = (HelpStore::registerScheme(), true);
    Q_UNUSED(registered)
}

bool HelpModule::readPage(const QString& collection, const QString& identifier, Page* page)
{
    // The help engine would create an empty collection in place of a
    // missing one, in the program's own folder, and then find nothing.
    if (!QFileInfo(collection).isFile())
        return false;
    auto engine = std::make_unique<QHelpEngineCore>(collection);
    if (!engine->setupData())
        return false;
    QList<QHelpLink> links = engine->documentsForIdentifier(identifier);
    std::stable_sort(links.begin(), links.end(),
                     [](const QHelpLink& a, const QHelpLink& b) { return a.title < b.title; });
    *page = Page();
    if (links.isEmpty())
        return true;
    page->address = links.first().url;
    page->html = engine->fileData(page->address);
    if (page->html.isEmpty())
        return true;
    if (!store) {
        store = new HelpStore(this);
        QWebEngineProfile::defaultProfile()->installUrlSchemeHandler(HelpStore::scheme, store);
    }
    store->setEngine(std::move(engine));
    return true;
}

QWidget* HelpModule::openWindow(const Page& page)
{
    auto* view = new QWebEngineView;
    view->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(view, &QWebEngineView::titleChanged, view, &QWidget::setWindowTitle);
    view->resize(820, 640);
    view->setHtml(QString::fromUtf8(page.html), page.address);
    view->show();
    return view;
}
